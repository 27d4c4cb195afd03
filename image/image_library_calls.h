// The image library calls the editor makes, behind one replaceable object:
// the program calls the library itself, tests install a recorder that
// answers as they need. Every call of the editor into the library goes
// through here.
#pragma once

#include <cstdint>

#include "imagelib/image_library.h"

namespace image {

class ImageLibraryCalls {
public:
    virtual ~ImageLibraryCalls() = default;
    virtual int CreateImage(const ImageCreateRequest& request) = 0;
    virtual int ViewImage(const ImageViewRequest& request) = 0;
    // The version word and the declaration of the calling application; a
    // recorder that does not replace them answers from the library itself.
    virtual uint32_t Version() { return KTIMGVer(); }
    virtual uint32_t SetApplication(uint32_t application) { return KTSetApplication(application); }
};

// The calls in force (the library itself unless replaced).
ImageLibraryCalls& ImageLibrary();
// Installs calls and returns the ones replaced; nullptr restores the library.
ImageLibraryCalls* SetImageLibrary(ImageLibraryCalls* calls);

// The library's version word through the calls in force: what the start-up
// check and the About box ask (both let tests put their own answer instead).
uint32_t LibraryVersion();

}  // namespace image
