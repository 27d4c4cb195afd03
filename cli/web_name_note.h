// A note for `verify`: an image name a web server cannot serve under the
// address menvolt.efi asks for when it reads over HTTP.
#pragma once

#include <string>

namespace cli {

// Empty when the loader's server path and the image name map onto a web
// address as they are.
std::string WebNameNote(const std::string& serverPath, const std::string& imageName);

}  // namespace cli
