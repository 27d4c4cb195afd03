// How long an entry's file held by another command is waited for.
#pragma once

#include <chrono>
#include <thread>

#include "platform/file_system.h"

// Every reader of an OSChooser file holds it alone for the moment it reads
// it, so another command listing the share may hold one now; a save holds
// its loader file as long. That moment stretches when the machine is busy
// and the holder is not scheduled, so a file found in use is tried again
// for up to a second before it is called so. `attempt` returns the
// platform's answer for one try.
template <class Attempt>
platform::FileError WaitWhileInUse(Attempt attempt) {
    platform::FileError answer = attempt();
    for (int tries = 1; answer == platform::FileError::SharingViolation && tries < 250; ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(4));
        answer = attempt();
    }
    return answer;
}
