// The filter folder of the running program: beside it when that folder is
// writable, else Quillmoor\Data in the user's local application data.
#pragma once

#include <string>

#include "store/data_folder.h"

namespace qm::win {

// Chooses the folder for this program file and this user.
DataFolderChoice ChooseProgramDataFolder();

// Tells the user what was in the way of the filter folder (a modal message).
void ShowDataFolderNotice(const std::string& notice, bool fatal);

}  // namespace qm::win
