// What the explorer's panes share: the application core they reach the store
// through, the frame window, each other, and the two places they write to
// (the profile file for the column widths, the folder for "html.tmp").
#pragma once

#include <windows.h>

#include <string>

namespace qm {
class AppCore;
}

namespace qm::win {

class CLocationTree;
class CFilterList;
class CElementPreview;

struct ExplorerPanes {
    AppCore* core = nullptr;
    HWND frame = nullptr;
    CLocationTree* tree = nullptr;
    CFilterList* list = nullptr;
    CElementPreview* preview = nullptr;
    std::string profilePath;      // INI file of the column widths
    std::string sourceDirectory;  // where "html.tmp" is written (the user's temp folder)
};

// The text of string resource id in UTF-8 ("" when missing).
std::string LoadResourceString(int id);

}  // namespace qm::win
