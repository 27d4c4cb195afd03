// The notice for characters a field cannot store: a balloon below the field,
// in the manner of a Windows edit control's balloon tip, that shows each
// character dropped and its code point. It takes no focus and asks nothing,
// so typing goes on into the field. One balloon per burst of refusals: while
// it is up, further refused characters join it and keep it up; it goes a few
// seconds after the last one, or on a click.
#pragma once

#include <vector>

class QWidget;

namespace framework {

void NoteMissingCharacters(QWidget* field, const std::vector<char32_t>& missing);

}  // namespace framework
