// Ending the program the ordinary way on an interrupt, termination or hang-up
// signal, so that what it cleans up at its end is cleaned up then too.
#pragma once

namespace framework {

// From now on such a signal closes the open modal windows one after another
// (the running QApplication is needed; without one, or on a second call,
// nothing happens).
void CloseWindowsOnTerminationSignals();

}  // namespace framework
