// Host file reader: any bytes either fail to load or give tables that are
// within the limits, consistent, and that survive being written and read
// back with the same locations and record fields.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "store/filter_store.h"
#include "store/host_file.h"
#include "store/text_escape.h"

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

bool IsWord(const std::string& w) {
    if (w.empty()) {
        return false;
    }
    for (char c : w) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r') {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    qm::HostFileTables tables;
    if (!qm::ParseHostFile(bytes, tables)) {
        return 0;
    }
    Check(tables.locations.size() <= static_cast<std::size_t>(qm::kMaxLocations));
    Check(tables.records.size() <= static_cast<std::size_t>(qm::kMaxRecords));
    for (std::size_t i = 0; i < tables.records.size(); ++i) {
        const qm::FilterRecord& r = tables.records[i];
        Check(r.nId == static_cast<std::int16_t>(i));
        Check(r.nLocation >= 0 && static_cast<std::size_t>(r.nLocation) < tables.locations.size());
        Check(IsWord(r.sName) && IsWord(r.sType));
    }
    const std::string written = qm::SerializeHostFile(tables);
    qm::HostFileTables back;
    Check(qm::ParseHostFile(written, back));
    Check(back.locations == tables.locations);
    Check(back.records.size() == tables.records.size());
    for (std::size_t i = 0; i < tables.records.size(); ++i) {
        const qm::FilterRecord& a = tables.records[i];
        const qm::FilterRecord& b = back.records[i];
        Check(a.Word1() == b.Word1() && a.Word2() == b.Word2());
        Check(a.sName == b.sName && a.sType == b.sType);
        Check(a.tDeleted == b.tDeleted && a.tLastHit == b.tLastHit);
        Check(b.sHtml == qm::UnescapeText(qm::EscapeText(a.sHtml)));
    }
    Check(qm::SerializeHostFile(back).size() <= written.size());
    return 0;
}
