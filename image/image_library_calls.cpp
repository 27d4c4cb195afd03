#include "image/image_library_calls.h"

namespace image {

namespace {

class RealImageLibrary : public ImageLibraryCalls {
public:
    int CreateImage(const ImageCreateRequest& request) override { return KTCreateImage(&request); }
    int ViewImage(const ImageViewRequest& request) override { return KTViewImage(&request); }
};

RealImageLibrary g_real;
ImageLibraryCalls* g_current = &g_real;

}  // namespace

ImageLibraryCalls& ImageLibrary() { return *g_current; }

uint32_t LibraryVersion() { return ImageLibrary().Version(); }

ImageLibraryCalls* SetImageLibrary(ImageLibraryCalls* calls) {
    ImageLibraryCalls* previous = g_current == &g_real ? nullptr : g_current;
    g_current = calls ? calls : &g_real;
    return previous;
}

}  // namespace image
