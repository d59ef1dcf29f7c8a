// How a drop on the bin reaches the application core: it asks the user how
// widely the new filter applies and adds it to the store.
#pragma once

#include <string>

#include "store/filter_record.h"

namespace qm {

class FilterPrompter {
public:
    virtual ~FilterPrompter() = default;
    // Asks for the scope (or the recognise mode of a "POPUP" filter), completes
    // the record and adds it for the page address url. False when the user
    // cancels or the store refuses the filter.
    virtual bool AddFilterWithPrompt(const std::string& url, FilterRecord& record) = 0;
};

}  // namespace qm
