#include "version/about_text.h"

namespace qm {

std::string BuiltTimeText(const char* date, const char* time) {
    return std::string(date != nullptr ? date : "") + " " + (time != nullptr ? time : "");
}

std::string AboutText(const std::string& version, const std::string& builtTime,
                      const std::string& dataFolder) {
    std::string text = "Quill Moor\nVersion " + version +
                       " \nAn easy to use advert removing software\n\nBuilt time : " + builtTime +
                       "\n\nFilters are kept in:\n";
    text += dataFolder.empty() ? std::string("(no folder: filters cannot be saved)") : dataFolder;
    return text;
}

}  // namespace qm
