// What the filter store tells the rest of the program (the application core
// implements it). All calls are synchronous, on the user-interface thread.
#pragma once

#include <string>

#include "store/filter_record.h"

namespace qm {

class StoreListener {
public:
    virtual ~StoreListener() = default;
    // A host file changed; the empty text means the set of host files changed.
    virtual void LocationChanged(const std::string& hostFileName) = 0;
    // A record was stored; record.sHtml holds its page address.
    virtual void OnFilterAdded(const std::string& url, const FilterRecord& record) = 0;
    // A record is about to leave the store.
    virtual void OnFilterRestored(const std::string& url, const FilterRecord& record) = 0;
};

}  // namespace qm
