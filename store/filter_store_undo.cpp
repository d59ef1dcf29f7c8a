// Undo log, moving whole host files aside and back, and expiry.
#include <cstdio>

#include "store/address_keys.h"
#include "store/filter_store.h"
#include "store/time_value.h"

namespace qm {

namespace {

// Generations are written with exactly four digits; they wrap after 9999.
constexpr int kGenerations = 10000;

std::string GenerationText(int generation) {
    char text[16];
    std::snprintf(text, sizeof(text), "%04d", generation % kGenerations);
    return text;
}

// Patterns name files of the data directory only: no separators, no
// control characters, no drive or stream colon.
bool IsFilePattern(const std::string& pattern) {
    if (pattern.empty()) {
        return false;
    }
    for (char c : pattern) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || c == ':' || u < 0x20) {
            return false;
        }
    }
    return true;
}

// "<stem>.NNNN.udo" whose "<stem>.Dat" is a host file name; gives that name.
// The stem may be empty: an empty host key has the host file ".Dat".
bool HostFileOfUndoFile(const std::string& name, std::string& hostFileName) {
    const std::size_t n = name.size();
    if (n < 9 || name.compare(n - 4, 4, ".udo") != 0 || name[n - 9] != '.') {
        return false;
    }
    for (std::size_t i = n - 8; i < n - 4; ++i) {
        if (name[i] < '0' || name[i] > '9') {
            return false;
        }
    }
    hostFileName = name.substr(0, n - 9) + ".Dat";
    return IsHostFileName(hostFileName);
}

}  // namespace

void FilterStore::PushUndo(int action, const std::string& pageAddress, const FilterRecord& record) {
    if (inUndo_) {
        return;
    }
    if (undo_.size() >= static_cast<std::size_t>(kMaxUndo)) {
        undo_.erase(undo_.begin());
    }
    undo_.push_back(UndoEntry{action, pageAddress, record});
}

int FilterStore::GetUndoCount() const {
    return static_cast<int>(undo_.size());
}

int FilterStore::Undo() {
    if (undo_.empty()) {
        return 0;
    }
    const UndoEntry entry = undo_.back();
    undo_.pop_back();
    inUndo_ = true;
    int result = 0;
    switch (entry.action) {
        case UNDO_FILTER_RESTORED: {
            FilterRecord record = entry.record;
            result = AddFilter(entry.pageAddress, record);
            break;
        }
        case UNDO_FILTER_ADDED: {
            // The record is found by what it is, not by the position it had:
            // earlier records of its host file may have left since.
            const int index =
                FindSameRecord(entry.pageAddress, entry.record.sType, entry.record.sName);
            if (index >= 0) {
                result = RestoreFilter(HostFileOf(entry.pageAddress), index);
            }
            break;
        }
        case UNDO_FILES_MOVED:
            result = BringBackUndoFiles("*." + GenerationText(entry.record.nHint) + ".udo");
            break;
        default:
            break;
    }
    inUndo_ = false;
    return result;
}

bool FilterStore::MoveFile(const std::string& from, const std::string& to) {
    return folder_.Move(from, to);
}

int FilterStore::RestoreHostFiles(const std::string& pattern) {
    if (!IsFilePattern(pattern)) {
        return 1;
    }
    bool moved = false;
    for (const std::string& listed : ListMatching(pattern)) {
        if (!IsHostFileName(listed)) {
            continue;
        }
        // Its undo file name must fit too.
        const std::string name = ShortenStoredName(listed);
        const std::string target =
            name.substr(0, name.size() - 4) + "." + GenerationText(undoGeneration_) + ".udo";
        if (MoveFile(name, target)) {
            moved = true;
        }
    }
    if (moved) {
        // The loaded tables may belong to a file that has just left.
        ForgetLoaded();
        index_.Invalidate();
        FilterRecord record;
        record.nHint = static_cast<std::int16_t>(undoGeneration_);
        PushUndo(UNDO_FILES_MOVED, std::string(), record);
        undoGeneration_ = (undoGeneration_ + 1) % kGenerations;
    }
    return 1;
}

int FilterStore::BringBackUndoFiles(const std::string& pattern) {
    if (IsFilePattern(pattern)) {
        for (const std::string& name : ListMatching(pattern)) {
            std::string hostFile;
            if (HostFileOfUndoFile(name, hostFile)) {
                MoveFile(name, hostFile);
            }
        }
    }
    ForgetLoaded();
    index_.Invalidate();
    NotifyLocationChanged(std::string());
    return 1;
}

int FilterStore::DeleteMatchingFiles(const std::string& pattern) {
    if (!IsFilePattern(pattern)) {
        return 1;
    }
    for (const std::string& name : ListMatching(pattern)) {
        std::string hostFile;
        if (HostFileOfUndoFile(name, hostFile)) {
            folder_.Remove(name);
        }
    }
    return 1;
}

int FilterStore::DeleteExpired(int days) {
    if (days < 0) {
        return 0;
    }
    const std::uint32_t now = GetCurrentTimeValue();
    for (const std::string& name : ListMatching("*.Dat")) {
        if (!IsHostFileName(name) || !SelectHostFile(name)) {
            continue;
        }
        std::size_t i = 0;
        while (loadedName_ == name && i < tables_.records.size()) {
            const std::uint32_t lastHit = tables_.records[i].tLastHit;
            // A last hit in the future (the clock was set back) is not old.
            const bool expired =
                lastHit <= now && DaysBetween(now, lastHit) >= static_cast<std::uint32_t>(days);
            if (expired && RestoreFilter(name, static_cast<int>(i))) {
                continue;  // the next record moved into slot i
            }
            ++i;
        }
    }
    return 1;
}

}  // namespace qm
