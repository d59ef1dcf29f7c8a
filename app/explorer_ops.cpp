#include "app/explorer_ops.h"

#include "platform/launcher.h"
#include "store/filter_store.h"

namespace qm {

int ShowFilterProperties(FilterStore& store, const std::string& hostFileName, int index,
                         FilterPropertiesDialog& dialog) {
    FilterPropertiesValues values;
    FilterKey key;
    if (!store.GetFilterProperties(hostFileName, index, values, key)) {
        return 0;
    }
    const FilterPropertiesOutcome outcome = dialog.Run(values);
    if (!outcome.ok && !outcome.applied) {
        return 1;
    }
    return store.SetFilterScope(key, outcome.scope);
}

int ViewFilterSource(FilterStore& store, Launcher& launcher, const std::string& hostFileName,
                     int index, const std::string& directory) {
    std::string path;
    if (!store.WriteFilterSource(hostFileName, index, directory, path)) {
        return 0;
    }
    return launcher.Start("Notepad.exe \"" + path + "\"", ShowState::kNormal) ? 1 : 0;
}

}  // namespace qm
