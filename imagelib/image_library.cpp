// The exported entry points. They check the request records and hand the
// work to the image module and the viewer.
#include "image_library.h"

#include <atomic>

namespace {
std::atomic<uint32_t> g_application{0};
}

namespace imagelib {
uint32_t DeclaredApplication() { return g_application.load(); }
}

extern "C" {

KTIMG_API uint32_t KTIMGVer(void) { return (KTIMG_VERSION_WORD << 16) | KTIMG_BUILD; }

KTIMG_API uint32_t KTSetApplication(uint32_t application) {
    g_application.store(application);
    return application;
}

KTIMG_API int KTCreateImage(const ImageCreateRequest* request) {
    // Not written yet: image creation comes with the FAT module.
    if (!request || request->size != sizeof(ImageCreateRequest)) return KTIMG_ERR_REQUEST;
    return KTIMG_ERR_WRITE;
}

KTIMG_API int KTViewImage(const ImageViewRequest* request) {
    // Not written yet: the viewer comes later.
    if (!request || request->size != sizeof(ImageViewRequest)) return KTIMG_ERR_REQUEST;
    return KTIMG_ERR_NO_UI;
}

}
