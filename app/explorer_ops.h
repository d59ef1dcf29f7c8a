// The explorer's commands that show something to the user about one filter:
// the properties sheet and the source viewer. The store gives and takes the
// values; these run the user interface between.
#pragma once

#include <string>

#include "store/explorer_model.h"

namespace qm {

class FilterStore;
class Launcher;

// The "Properties..." sheet, run modally.
class FilterPropertiesDialog {
public:
    virtual ~FilterPropertiesDialog() = default;
    virtual FilterPropertiesOutcome Run(const FilterPropertiesValues& values) = 0;
};

// Runs the sheet for record index of the host file and stores the scope chosen
// there when the sheet ended with OK or Apply was used. 1, or 0 when the
// record is missing or the change could not be stored.
int ShowFilterProperties(FilterStore& store, const std::string& hostFileName, int index,
                         FilterPropertiesDialog& dialog);

// Writes the record's HTML to "html.tmp" in directory and starts the text
// editor on it, without waiting. 1 when the editor was started.
int ViewFilterSource(FilterStore& store, Launcher& launcher, const std::string& hostFileName,
                     int index, const std::string& directory);

}  // namespace qm
