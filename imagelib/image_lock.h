// The writer's lock on an image file: whoever changes an image holds it from
// reading the image to writing it back, so two writers (two viewers, a
// viewer and the command line, two commands) take turns and never write
// over each other's change. The lock also holds the image's folder and the
// file itself open: a change reads, checks and writes through them, never
// by the path again, so a folder or link swapped meanwhile cannot mix
// another file into it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

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
    // The directory entries that name the locked file (hard links); 0 when
    // none is held.
    uint64_t Names() const;
    // The locked file's bytes, read through the lock's own descriptor.
    bool Read(size_t maxSize, std::vector<uint8_t>& out, std::string& error) const;
    // Replaces the locked file, whole, under the name it was locked by in
    // the folder held since; refused when that name no longer is this file.
    bool Replace(const std::vector<uint8_t>& bytes, std::string& error) const;

private:
    int m_fd = -1;
    int m_dir = -1;
    std::string m_name;  // in m_dir
    std::string m_path;  // the file reached, for messages
};

}  // namespace imagelib
