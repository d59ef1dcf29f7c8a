#include "store/filter_store.h"

#include <utility>

#include "store/address_keys.h"
#include "store/store_text.h"
#include "store/time_value.h"
#include "store/wildcard.h"

namespace qm {

namespace fs = std::filesystem;

FilterStore::FilterStore(std::string dataDirectory)
    : dataDirectory_(std::move(dataDirectory)),
      dataPath_(PathFromText(dataDirectory_)),
      folder_(dataPath_),
      index_(folder_) {
    DeleteMatchingFiles("*.udo");
    folder_.Remove(kTemporaryFileName);
}

FilterStore::~FilterStore() {
    folder_.Flush();
}

int FilterStore::Flush() {
    return folder_.Flush() ? 1 : 0;
}

void FilterStore::SetListener(StoreListener* listener) {
    listener_ = listener;
}

const std::string& FilterStore::DataDirectory() const {
    return dataDirectory_;
}

fs::path FilterStore::PathOf(const std::string& fileName) const {
    return folder_.PathOf(fileName);
}

std::vector<std::string> FilterStore::ListMatching(const std::string& pattern) const {
    std::vector<std::string> names;
    for (std::string& name : folder_.ListNames()) {
        if (WildcardMatch(pattern, name)) {
            names.push_back(std::move(name));
        }
    }
    return names;
}

void FilterStore::ForgetLoaded() {
    loadedName_.clear();
    tables_.locations.clear();
    tables_.records.clear();
}

void FilterStore::NotifyLocationChanged(const std::string& hostFileName) {
    if (listener_ != nullptr) {
        listener_->LocationChanged(hostFileName);
    }
}

int FilterStore::LoadHostFile(const std::string& hostFileName) {
    if (!IsHostFileName(hostFileName) || !folder_.Read(hostFileName, readBuffer_)) {
        ForgetLoaded();
        return 0;
    }
    if (!ParseHostFile(readBuffer_, tables_)) {
        ForgetLoaded();
        return 0;
    }
    loadedName_ = hostFileName;
    return 1;
}

int FilterStore::SelectHostFile(const std::string& hostFileName) {
    if (!loadedName_.empty() && hostFileName == loadedName_) {
        return 1;
    }
    return LoadHostFile(hostFileName);
}

int FilterStore::HostFileExists(const std::string& hostFileName) const {
    if (!IsHostFileName(hostFileName)) {
        return 0;
    }
    return folder_.IsFile(hostFileName) ? 1 : 0;
}

int FilterStore::SaveHostFile(const std::string& hostFileName) {
    return WriteHostFile(hostFileName, false);
}

int FilterStore::WriteHostFile(const std::string& hostFileName, bool inBackground) {
    if (!IsHostFileName(hostFileName)) {
        return 0;
    }
    if (tables_.records.empty() || tables_.locations.empty()) {
        if (!folder_.Remove(hostFileName)) {
            return 0;
        }
        index_.Removed(hostFileName);
        return 1;
    }
    if (inBackground) {
        folder_.ReplaceLater(hostFileName, tables_);
    } else if (!folder_.Replace(hostFileName, SerializeHostFile(tables_))) {
        return 0;
    }
    // A shortened name does not hold its host key; the locations do.
    index_.Added(hostFileName,
                 IsShortenedHostFileName(hostFileName)
                     ? GetHostName(tables_.locations.front())
                     : HostKeyOfFileName(hostFileName.substr(0, hostFileName.size() - 4)));
    return 1;
}

int FilterStore::SaveLoaded() {
    return loadedName_.empty() ? 0 : SaveHostFile(loadedName_);
}

int FilterStore::FindLocation(const std::string& url) const {
    const auto& locations = tables_.locations;
    for (std::size_t i = 0; i < locations.size(); ++i) {
        if (locations[i] == url) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int FilterStore::FindSameFilter(int location, const std::string& type,
                                const std::string& name) const {
    const auto& records = tables_.records;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const FilterRecord& r = records[i];
        if (r.nLocation == location && r.sType == type && r.sName == name) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int FilterStore::FindSameRecord(const std::string& url, const std::string& type,
                                const std::string& name) {
    const std::string hostFile = HostFileOf(url);
    if (!SelectHostFile(hostFile)) {
        return -1;
    }
    const int location = FindLocation(url);
    return location < 0 ? -1 : FindSameFilter(location, type, name);
}

int FilterStore::AddFilter(const std::string& pageUrl, FilterRecord& record) {
    const std::string url = NormalizePageAddress(pageUrl);
    if (!IsStorablePageAddress(url)) {
        return 0;
    }
    record.sName = CleanWord(record.sName);
    record.sType = CleanWord(record.sType);
    const std::string hostFile = HostFileOf(url);
    if (!HostFileExists(hostFile)) {
        ForgetLoaded();
        loadedName_ = hostFile;
    } else if (!SelectHostFile(hostFile)) {
        // An unreadable host file is never overwritten.
        return 0;
    }
    int location = FindLocation(url);
    bool newLocation = false;
    if (location < 0) {
        if (tables_.locations.size() >= static_cast<std::size_t>(kMaxLocations)) {
            return 0;
        }
        tables_.locations.push_back(url);
        location = static_cast<int>(tables_.locations.size()) - 1;
        newLocation = true;
    }
    const std::uint32_t now = GetCurrentTimeValue();
    const int same = FindSameFilter(location, record.sType, record.sName);
    if (same >= 0) {
        tables_.records[static_cast<std::size_t>(same)].tLastHit = now;
        if (!SaveLoaded()) {
            ForgetLoaded();
            return 0;
        }
        NotifyLocationChanged(tables_.records.size() == 1 ? std::string() : hostFile);
        return 1;
    }
    if (tables_.records.size() >= static_cast<std::size_t>(kMaxRecords)) {
        if (newLocation) {
            tables_.locations.pop_back();
        }
        return 0;
    }
    if (record.tDeleted == 0) {
        record.tDeleted = now;
    }
    if (record.tLastHit == 0) {
        record.tLastHit = now;
    }
    record.nStatus = 0;
    record.nLocation = static_cast<std::int16_t>(location);
    record.nId = static_cast<std::int16_t>(tables_.records.size());
    tables_.records.push_back(record);
    if (!SaveLoaded()) {
        ForgetLoaded();
        return 0;
    }
    PushUndo(UNDO_FILTER_ADDED, url, tables_.records.back());
    const std::size_t count = tables_.records.size();
    record.sHtml = url;
    if (listener_ != nullptr) {
        listener_->OnFilterAdded(url, record);
    }
    NotifyLocationChanged(count == 1 ? std::string() : hostFile);
    return 1;
}

int FilterStore::RemoveRecordAt(int index) {
    auto& records = tables_.records;
    if (index < 0 || static_cast<std::size_t>(index) >= records.size() ||
        records[static_cast<std::size_t>(index)].nId != index) {
        return 0;
    }
    const FilterRecord removed = records[static_cast<std::size_t>(index)];
    const std::string page = removed.nLocation >= 0 && static_cast<std::size_t>(removed.nLocation) <
                                                           tables_.locations.size()
                                 ? tables_.locations[static_cast<std::size_t>(removed.nLocation)]
                                 : std::string();
    PushUndo(UNDO_FILTER_RESTORED, page, removed);
    records.erase(records.begin() + index);
    for (std::size_t i = static_cast<std::size_t>(index); i < records.size(); ++i) {
        records[i].nId = static_cast<std::int16_t>(i);
    }
    for (const auto& r : records) {
        if (r.nLocation == removed.nLocation) {
            return 1;
        }
    }
    for (auto& r : records) {
        if (r.nLocation > removed.nLocation) {
            --r.nLocation;
        }
    }
    if (removed.nLocation >= 0 &&
        static_cast<std::size_t>(removed.nLocation) < tables_.locations.size()) {
        tables_.locations.erase(tables_.locations.begin() + removed.nLocation);
    }
    return 1;
}

int FilterStore::RestoreFilter(const std::string& hostFileName, int index) {
    if (!SelectHostFile(hostFileName)) {
        return 0;
    }
    if (index < 0 || static_cast<std::size_t>(index) >= tables_.records.size()) {
        return 0;
    }
    if (listener_ != nullptr) {
        const FilterRecord record = tables_.records[static_cast<std::size_t>(index)];
        const std::string page = tables_.locations[static_cast<std::size_t>(record.nLocation)];
        listener_->OnFilterRestored(page, record);
        // The listener may have used the store; make sure the tables are ours.
        if (!SelectHostFile(hostFileName) ||
            static_cast<std::size_t>(index) >= tables_.records.size()) {
            return 0;
        }
    }
    const bool recorded = !inUndo_;
    if (!RemoveRecordAt(index)) {
        return 0;
    }
    if (!SaveLoaded()) {
        if (recorded && !undo_.empty()) {
            undo_.pop_back();
        }
        ForgetLoaded();
        return 0;
    }
    return 1;
}

namespace {

// A record that reaches a page by its scope is not located there yet (nHint
// -1), except a "POPUP" filter, whose nHint is its recognise mode.
void KeepOnlyPopupMode(FilterRecord& copy) {
    if (copy.sType != "POPUP") {
        copy.nHint = -1;
    }
}

// A tracker's copy of a stored record: every field but the text, which
// becomes the page address. Assigned field by field so that the caller's
// strings keep their storage.
void CopyForTracker(const FilterRecord& from, const std::string& page, FilterRecord& to) {
    to.nLocation = from.nLocation;
    to.nId = from.nId;
    to.sName = from.sName;
    to.sType = from.sType;
    to.nHint = from.nHint;
    to.nStatus = from.nStatus;
    to.nScope = from.nScope;
    to.tDeleted = from.tDeleted;
    to.tLastHit = from.tLastHit;
    to.sHtml = page;
}

}  // namespace

int FilterStore::FiltersForUrl(const std::string& pageUrl, FilterRecord* list, int capacity) {
    if (list == nullptr || capacity <= 0) {
        return 0;
    }
    const std::string url = NormalizePageAddress(pageUrl);
    const std::string hostFile = HostFileOf(url);
    int count = 0;
    if (HostFileExists(hostFile) && SelectHostFile(hostFile)) {
        const int location = FindLocation(url);
        for (const FilterRecord& r : tables_.records) {
            if (count >= capacity) {
                return count;
            }
            const std::string& page = tables_.locations[static_cast<std::size_t>(r.nLocation)];
            if (location >= 0 && r.nLocation == location) {
                CopyForTracker(r, page, list[count]);
                list[count].nLocation = -1;
                ++count;
            } else if (r.nScope == kScopeHost || r.nScope == kScopeDomain) {
                CopyForTracker(r, page, list[count]);
                KeepOnlyPopupMode(list[count]);
                ++count;
            }
        }
    }
    return AddDomainRecords(url, hostFile, list, capacity, count);
}

int FilterStore::AddDomainRecords(const std::string& url, const std::string& ownHostFile,
                                  FilterRecord* list, int capacity, int count) {
    if (count >= capacity) {
        return count;
    }
    const std::string domain = GetDomainName(url);
    for (const std::string& name : index_.FilesOfDomain(domain)) {
        if (count >= capacity) {
            break;
        }
        if (name == ownHostFile) {
            continue;
        }
        std::string bytes;
        HostFileTables other;
        if (!folder_.Read(name, bytes) || !ParseHostFile(bytes, other)) {
            continue;
        }
        for (const FilterRecord& r : other.records) {
            if (count >= capacity) {
                break;
            }
            if (r.nScope != kScopeDomain) {
                continue;
            }
            CopyForTracker(r, other.locations[static_cast<std::size_t>(r.nLocation)], list[count]);
            KeepOnlyPopupMode(list[count]);
            ++count;
        }
    }
    return count;
}

int FilterStore::SaveHits(FilterRecord* list, int count) {
    if (list == nullptr || count < 1) {
        return 0;
    }
    int result = 1;
    std::string current;
    bool usable = false;
    bool changed = false;
    auto flush = [&]() {
        if (!changed) {
            return;
        }
        changed = false;
        // Only hits changed, and the file exists: the write never removes it.
        if (WriteHostFile(loadedName_, true)) {
            NotifyLocationChanged(current);
        } else {
            ForgetLoaded();
            result = 0;
        }
    };
    for (int i = 0; i < count; ++i) {
        FilterRecord& entry = list[i];
        if (entry.nStatus == 0) {
            continue;
        }
        const std::string name = HostFileOf(entry.sHtml);
        if (name != current || !usable) {
            flush();
            current = name;
            usable = HostFileExists(name) && SelectHostFile(name);
        }
        if (!usable) {
            continue;
        }
        const int location = FindLocation(entry.sHtml);
        if (location < 0) {
            continue;
        }
        entry.nLocation = static_cast<std::int16_t>(location);
        const int index = FindSameFilter(location, entry.sType, entry.sName);
        if (index < 0) {
            continue;
        }
        FilterRecord& stored = tables_.records[static_cast<std::size_t>(index)];
        stored.tLastHit = entry.tLastHit;
        stored.nHint = entry.nHint;
        changed = true;
    }
    flush();
    return result;
}

}  // namespace qm
