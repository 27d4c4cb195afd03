// The writer's lock on an image file: whoever changes an image holds it from
// reading the image to writing it back, so two writers (two viewers, a
// viewer and the command line, two commands) take turns and never write
// over each other's change.
#pragma once

#include <string>

#include "imagelib/atomic_file.h"

namespace imagelib {

class ImageLock {
public:
    // How long a second writer waits for the first before giving up.
    static constexpr int kWaitMilliseconds = 10000;

    ImageLock() = default;
    ImageLock(const ImageLock&) = delete;
    ImageLock& operator=(const ImageLock&) = delete;
    ~ImageLock() { Release(); }

    // Takes the lock on the file now at `path` (a link: on the file it
    // leads to). False with a reason when the file cannot be opened, is not
    // a regular file, or another writer keeps it longer than the wait.
    bool Acquire(const std::string& path, std::string& error, int waitMilliseconds = kWaitMilliseconds);
    void Release();
    bool Held() const { return m_fd >= 0; }
    // The locked file; zeros when none is held.
    FileId Identity() const;

private:
    int m_fd = -1;
};

}  // namespace imagelib
