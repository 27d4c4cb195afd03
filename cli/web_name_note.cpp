#include "cli/web_name_note.h"

#include "common/web_name.h"

namespace cli {

std::string WebNameNote(const std::string& serverPath, const std::string& imageName) {
    const std::string name = serverPath + imageName;
    switch (WebNameCheck(reinterpret_cast<const unsigned char*>(name.data()), name.size())) {
    case WEB_NAME_OK:
        return {};
    case WEB_NAME_EMPTY_SEGMENT:
        return "a PC reading over HTTP cannot fetch " + name +
               ": web servers merge the empty folder name between two backslashes";
    case WEB_NAME_DOT_SEGMENT:
        return "a PC reading over HTTP cannot fetch " + name +
               ": web servers resolve a folder named \".\" or \"..\" instead of looking it up";
    }
    return {};
}

}  // namespace cli
