// Host file names of page addresses, and the renaming of host files stored
// under a full long name before such names were shortened.
#include "store/address_keys.h"
#include "store/filter_store.h"

namespace qm {

std::string FilterStore::HostFileOf(const std::string& url) {
    const std::string name = GetHostFileName(url);
    if (!IsShortenedHostFileName(name)) {
        return name;
    }
    // Names up to 255 bytes could be stored in full before.
    const std::string full = SafeFileNameOf(GetHostName(url)) + ".Dat";
    if (full.size() > 255) {
        return name;
    }
    ShortenStoredName(full);
    return name;
}

std::string FilterStore::ShortenStoredName(const std::string& hostFileName) {
    if (hostFileName.size() <= kMaxHostFileNameBytes || !IsHostFileName(hostFileName) ||
        IsShortenedHostFileName(hostFileName)) {
        return hostFileName;
    }
    const std::string shortened =
        HostFileNameOfKey(HostKeyOfFileName(hostFileName.substr(0, hostFileName.size() - 4)));
    // A file of the shortened name made meanwhile is not replaced; the old
    // one then stays as it is.
    if (!folder_.IsFile(hostFileName) || folder_.Exists(shortened) ||
        !MoveFile(hostFileName, shortened)) {
        return hostFileName;
    }
    if (loadedName_ == hostFileName) {
        loadedName_ = shortened;
    }
    index_.Invalidate();
    return shortened;
}

}  // namespace qm
