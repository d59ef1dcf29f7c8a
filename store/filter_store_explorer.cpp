// The operations with which the explorer lists and inspects filters.
#include <fstream>

#include "store/address_keys.h"
#include "store/filter_store.h"
#include "store/time_value.h"

namespace qm {

namespace {

bool ValidIndex(int index, std::size_t count) {
    return index >= 0 && static_cast<std::size_t>(index) < count;
}

}  // namespace

int FilterStore::GetFilter(const std::string& hostFileName, int index, std::string& url,
                           FilterRecord& record) {
    if (!SelectHostFile(hostFileName) || !ValidIndex(index, tables_.records.size())) {
        return 0;
    }
    record = tables_.records[static_cast<std::size_t>(index)];
    url = tables_.locations[static_cast<std::size_t>(record.nLocation)];
    return 1;
}

int FilterStore::FillFilterList(const std::string& hostFileName, std::vector<FilterListRow>& rows) {
    if (!SelectHostFile(hostFileName)) {
        rows.clear();
        return 0;
    }
    // Rows are overwritten in place, so a refill reuses their strings.
    rows.resize(tables_.records.size());
    for (std::size_t i = 0; i < tables_.records.size(); ++i) {
        const FilterRecord& r = tables_.records[i];
        FilterListRow& row = rows[i];
        row.texts[0] = tables_.locations[static_cast<std::size_t>(r.nLocation)];
        row.texts[1] = GetLastPathPart(r.sName);
        row.texts[2] = r.sType;
        row.texts[3] = FormatTimeValue(r.tDeleted);
        row.texts[4] = GetScopeName(r.nScope);
        row.texts[5] = FormatTimeValue(r.tLastHit);
        row.itemData = static_cast<int>(i);
    }
    return 1;
}

int FilterStore::BuildLocationTree(LocationTree& tree) {
    tree.Clear();
    LocationTreeBuilder builder(tree);
    for (const std::string& name : ListMatching("*.Dat")) {
        if (IsHostFileName(name)) {
            builder.Insert(name.substr(0, name.size() - 4), name);
        }
    }
    return 1;
}

int FilterStore::GetFilterProperties(const std::string& hostFileName, int index,
                                     FilterPropertiesValues& values, FilterKey& key) {
    if (!SelectHostFile(hostFileName) || !ValidIndex(index, tables_.records.size())) {
        return 0;
    }
    const FilterRecord& shown = tables_.records[static_cast<std::size_t>(index)];
    const std::string& page = tables_.locations[static_cast<std::size_t>(shown.nLocation)];
    values.name = GetLastPathPart(shown.sName);
    values.type = shown.sType;
    values.pageAddress = page;
    values.timeDeleted = FormatTimeValue(shown.tDeleted);
    values.timeLastHit = FormatTimeValue(shown.tLastHit);
    values.scope = shown.nScope;
    key = FilterKey{page, shown.sType, shown.sName};
    return 1;
}

int FilterStore::SetFilterScope(const FilterKey& key, int scope) {
    if (key.type == "POPUP" || scope < kScopePage || scope > kScopeDomain) {
        return 1;
    }
    const int now = FindSameRecord(key.page, key.type, key.name);
    if (now < 0) {
        return 0;
    }
    FilterRecord& stored = tables_.records[static_cast<std::size_t>(now)];
    if (stored.nScope == scope) {
        return 1;
    }
    stored.nScope = static_cast<std::int8_t>(scope);
    if (!SaveLoaded()) {
        ForgetLoaded();
        return 0;
    }
    return 1;
}

int FilterStore::WriteFilterSource(const std::string& hostFileName, int index,
                                   const std::string& directory, std::string& path) {
    if (!SelectHostFile(hostFileName) || !ValidIndex(index, tables_.records.size())) {
        return 0;
    }
    std::filesystem::path file = PathFromText(directory) / "html.tmp";
    file.make_preferred();
    const std::string fileText = TextFromPath(file);
    if (fileText.find('"') != std::string::npos) {
        return 0;
    }
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out) {
        return 0;
    }
    const std::string& html = tables_.records[static_cast<std::size_t>(index)].sHtml;
    out.write(html.data(), static_cast<std::streamsize>(html.size()));
    out.close();
    if (out.fail()) {
        return 0;
    }
    path = fileText;
    return 1;
}

}  // namespace qm
