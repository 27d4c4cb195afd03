// The two image library calls the editor makes, behind one replaceable
// object: the program calls the library itself, tests install a recorder
// that answers as they need.
#pragma once

#include "image_library.h"

namespace image {

class ImageLibraryCalls {
public:
    virtual ~ImageLibraryCalls() = default;
    virtual int CreateImage(const ImageCreateRequest& request) = 0;
    virtual int ViewImage(const ImageViewRequest& request) = 0;
};

// The calls in force (the library itself unless replaced).
ImageLibraryCalls& ImageLibrary();
// Installs calls and returns the ones replaced; nullptr restores the library.
ImageLibraryCalls* SetImageLibrary(ImageLibraryCalls* calls);

}  // namespace image
