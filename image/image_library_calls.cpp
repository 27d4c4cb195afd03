#include "image/image_library_calls.h"

namespace image {

namespace {

class RealImageLibrary : public ImageLibraryCalls {
public:
    int CreateImage(const ImageCreateRequest& request) override { return KTCreateImage(&request); }
    int ViewImage(const ImageViewRequest& request) override { return KTViewImage(&request); }
};

RealImageLibrary g_real;
ImageLibraryCalls* g_calls = &g_real;

}  // namespace

ImageLibraryCalls& ImageLibrary() { return *g_calls; }

uint32_t LibraryVersion() { return ImageLibrary().Version(); }

ImageLibraryCalls* SetImageLibrary(ImageLibraryCalls* calls) {
    ImageLibraryCalls* previous = g_calls == &g_real ? nullptr : g_calls;
    g_calls = calls ? calls : &g_real;
    return previous;
}

}  // namespace image
