#include "app/link_target.h"

#include <cctype>

namespace qm {

namespace {

bool StartsWithNoCase(const std::string& text, const char* prefix) {
    size_t i = 0;
    for (; prefix[i] != '\0'; ++i) {
        if (i >= text.size() ||
            std::tolower(static_cast<unsigned char>(text[i])) != static_cast<unsigned char>(prefix[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool IsOpenableLink(const std::string& target) {
    size_t rest = 0;
    if (StartsWithNoCase(target, "http://")) {
        rest = 7;
    } else if (StartsWithNoCase(target, "https://")) {
        rest = 8;
    } else if (StartsWithNoCase(target, "mailto:")) {
        rest = 7;
    } else {
        return false;
    }
    if (target.size() <= rest) {
        return false;
    }
    for (char c : target) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= ' ' || u == 0x7F || c == '"') {
            return false;
        }
    }
    return true;
}

std::string HtmOpenCommand(const std::string& associationCommand, const std::string& target) {
    if (associationCommand.empty()) {
        return std::string();
    }
    std::string command = associationCommand;
    size_t cut = command.find("\"%1\"");
    if (cut == std::string::npos) {
        cut = command.find("%1");
    }
    if (cut != std::string::npos) {
        command.resize(cut);
    }
    while (!command.empty() && command.back() == ' ') {
        command.pop_back();
    }
    return command + " \"" + target + "\"";
}

std::string CantOpenLinkMessage(int code) {
    struct Entry {
        int code;
        const char* text;
    };
    static const Entry kTexts[] = {
        {0, "The operating system is out\nof memory or resources."},
        {2, "The specified file was not found."},
        {3, "The specified path was not found."},
        {5, "The operating system denied\naccess to the specified file."},
        {8, "There was not enough memory to complete the operation."},
        {11, "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)."},
        {26, "A sharing violation occurred. "},
        {27, "The filename association is\nincomplete or invalid."},
        {28, "The DDE transaction could not\nbe completed because the request timed out."},
        {29, "The DDE transaction failed."},
        {30, "The DDE transaction could not\nbe completed because other DDE transactions\n"
             "were being processed."},
        {31, "There is no application associated\nwith the given filename extension."},
        {32, "The specified dynamic-link library was not found."},
    };
    std::string text = "Can't open link:\n\n";
    for (const Entry& entry : kTexts) {
        if (entry.code == code) {
            return text + entry.text;
        }
    }
    return text + "Unknown Error (" + std::to_string(code) + ") occurred.";
}

std::string RefusedLinkMessage() {
    return "Can't open link:\n\nOnly web (http, https) and e-mail (mailto) addresses are opened.";
}

}  // namespace qm
