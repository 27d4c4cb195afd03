// The exported entry points. They check the request records and hand the
// work to the image module and the viewer.
#include "imagelib/image_library.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include <QApplication>
#include <QWidget>

#include "imagelib/atomic_file.h"
#include "imagelib/diskette_wrap.h"
#include "imagelib/image_format.h"
#include "imagelib/image_viewer.h"

namespace {
std::atomic<uint32_t> g_application{0};
}

namespace imagelib {
uint32_t DeclaredApplication() { return g_application.load(); }

// A path of at most 255 characters and its NUL inside the 256-byte buffer
// the editor hands over; a longer one is refused, never cut short.
bool UsablePath(const char* path) {
    if (!path) return false;
    const size_t length = strnlen(path, 256);
    return length > 0 && length < 256 && path[length - 1] != '/';
}
}

extern "C" {

KTIMG_API uint32_t KTIMGVer(void) { return (KTIMG_VERSION_WORD << 16) | KTIMG_BUILD; }

KTIMG_API uint32_t KTSetApplication(uint32_t application) {
    g_application.store(application);
    return application;
}

KTIMG_API int KTCreateImage(const ImageCreateRequest* request) {
    if (!request || request->size != sizeof(ImageCreateRequest)) return KTIMG_ERR_REQUEST;
    if (!imagelib::UsablePath(request->path)) return KTIMG_ERR_PATH;
    const uint32_t capacity = request->capacity;
    if (capacity % 2 || capacity > imagelib::kMaxExtendedMegabytes) return KTIMG_ERR_REQUEST;
    std::vector<uint8_t> probe;
    if (!imagelib::BuildImage(capacity, request->options, probe)) return KTIMG_ERR_REQUEST;
    // The editor's Create dialog has asked before an image is replaced.
    std::string error;
    if (!imagelib::CreateImageFile(request->path, capacity, request->options, true, error)) return KTIMG_ERR_WRITE;
    return KTIMG_OK;
}

KTIMG_API int KTWrapDiskette(const char* diskette, const char* out, uint32_t options, char* error,
                             uint32_t errorSize) {
    auto fail = [&](int code, const std::string& reason) {
        if (error && errorSize) {
            const size_t n = std::min<size_t>(reason.size(), errorSize - 1);
            std::memcpy(error, reason.data(), n);
            error[n] = 0;
        }
        return code;
    };
    if (!imagelib::UsablePath(diskette) || !imagelib::UsablePath(out)) return fail(KTIMG_ERR_PATH, "bad path");
    std::string reason;
    if (!imagelib::WrapDisketteFile(diskette, out, options, true, reason)) return fail(KTIMG_ERR_OPEN, reason);
    return KTIMG_OK;
}

KTIMG_API int KTViewImage(const ImageViewRequest* request) {
    if (!request || request->size != sizeof(ImageViewRequest)) return KTIMG_ERR_REQUEST;
    if (!imagelib::UsablePath(request->path)) return KTIMG_ERR_PATH;
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return KTIMG_ERR_NO_UI;
    auto* owner = static_cast<QWidget*>(request->owner);
    imagelib::ImageViewer viewer(owner, imagelib::DeclaredApplication() != 0);
    // The caller says why an image could not be opened (it knows the
    // name the user gave it), so nothing is shown here.
    std::string error;
    if (!viewer.Open(request->path, error)) return KTIMG_ERR_OPEN;
    viewer.exec();
    return KTIMG_OK;
}

}
