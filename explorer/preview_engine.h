// Which renderer the element preview can use. The browser control needs an
// HTML engine; under Wine that engine is the Gecko add-on, and asking Wine's
// mshtml for a document without it raises an "install Gecko" download prompt.
// So the program never touches mshtml under Wine unless the add-on that this
// Wine expects is on disk and mshtml is not switched off; everywhere else the
// preview shows text. Portable: the Windows side gathers the facts.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qm {

struct HtmlEngineFacts {
    bool wine = false;            // running under Wine
    bool engineDisabled = false;  // mshtml switched off by a DLL override
    bool geckoFound = false;      // the Gecko folder this Wine's mshtml expects exists
};

// True when the browser control may be created: always on Windows, and under
// Wine only when mshtml is enabled and its Gecko add-on is installed.
bool CanEmbedHtmlEngine(const HtmlEngineFacts& facts);

// True when a WINEDLLOVERRIDES value switches dll off ("mshtml=" or
// "mscoree,mshtml=d"): entries are separated by ';', each names one or more
// modules (separated by ',', with or without a path or ".dll") and the load
// order after '='; an empty order or "d" disables.
bool OverridesDisableDll(std::string_view overrides, std::string_view dll);

// The version text that Wine's mshtml expects in the VERSION file of its Gecko
// folder ("Wine Gecko 2.47.3"), found as a zero-terminated text in the bytes
// of mshtml.dll; empty when there is none.
std::string GeckoVersionText(std::string_view moduleBytes);

// The version in that text ("2.47.3"); empty when it is not a version text.
std::string GeckoVersion(std::string_view versionText);

// The folder name of that Gecko for a processor architecture:
// "wine-gecko-2.47.3-x86_64"; empty when versionText is not a version text.
std::string GeckoFolderName(std::string_view versionText, std::string_view arch);

// The Unix folders in which that mshtml looks for the Gecko folder: every
// zero-terminated absolute path in its bytes that ends in "/gecko/" and the
// folder name, in the order they appear (no duplicates).
std::vector<std::string> GeckoSharedFolders(std::string_view moduleBytes,
                                            std::string_view folderName);

}  // namespace qm
