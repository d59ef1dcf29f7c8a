// The "Properties..." sheet of one filter: page "General" shows the record
// read-only and lets the user choose its delete scope. A popup filter keeps
// its scope. OK, and Apply before any closing button, store the scope.
#pragma once

#include <windows.h>

#include "app/explorer_ops.h"

namespace qm::win {

class CFilterPropertiesSheet : public FilterPropertiesDialog {
public:
    explicit CFilterPropertiesSheet(HWND owner) : owner_(owner) {}
    FilterPropertiesOutcome Run(const FilterPropertiesValues& values) override;

private:
    HWND owner_;
};

}  // namespace qm::win
