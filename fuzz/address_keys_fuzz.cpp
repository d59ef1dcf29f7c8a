// Address keys and safe file names: any address gives a host file name that
// stays inside the data directory, fits a file name with room for its undo
// suffix, is recognised as the store's own, and leads back to the host key
// unless it had to be shortened; any text maps one-to-one to a safe name.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "store/address_keys.h"

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void CheckSafeName(const std::string& name) {
    for (char c : name) {
        const unsigned char u = static_cast<unsigned char>(c);
        Check(u >= 0x20 && u < 0x7F);
        Check(std::string("/\\*?<>:\"|").find(c) == std::string::npos);
    }
    std::string first = name.substr(0, name.find('.'));
    while (!first.empty() && first.back() == ' ') {
        first.pop_back();
    }
    for (char& c : first) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    for (const char* reserved :
         {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "COM1", "COM9", "LPT1", "LPT5"}) {
        Check(first != reserved);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    const std::string host = qm::GetHostName(text);
    const std::string domain = qm::GetDomainName(text);
    Check(domain == qm::DomainOfHostKey(host));
    const std::string file = qm::GetHostFileName(text);
    Check(qm::IsHostFileName(file));
    CheckSafeName(file);
    Check(file.size() <= qm::kMaxHostFileNameBytes);
    if (qm::IsShortenedHostFileName(file)) {
        Check(qm::SafeFileNameOf(host).size() + 4 > qm::kMaxHostFileNameBytes);
        const std::string kept = file.substr(0, file.find("%~"));
        Check(qm::SafeFileNameOf(host).compare(0, kept.size(), kept) == 0);
    } else {
        Check(qm::HostKeyOfFileName(file.substr(0, file.size() - 4)) == host);
    }

    const std::string safe = qm::SafeFileNameOf(text);
    CheckSafeName(safe);
    Check(qm::HostKeyOfFileName(safe) == text);
    Check(qm::IsHostFileName(safe + ".Dat"));
    // A name is the store's own only in its canonical spelling. A full name
    // past the limit, kept from before long names were shortened, is still
    // read, but its key's file is now the shortened one.
    if (qm::IsHostFileName(text) && !qm::IsShortenedHostFileName(text)) {
        const std::string canonical =
            qm::HostFileNameOfKey(qm::HostKeyOfFileName(text.substr(0, text.size() - 4)));
        if (text.size() <= qm::kMaxHostFileNameBytes) {
            Check(canonical == text);
        } else {
            Check(qm::IsShortenedHostFileName(canonical));
        }
    }

    const std::string last = qm::GetLastPathPart(text);
    Check(last.size() <= text.size() &&
          text.compare(text.size() - last.size(), last.size(), last) == 0);
    return 0;
}
