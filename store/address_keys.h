// The keys of a page address: host key, domain key and host file name, plus
// the small text helpers shared by the store, the trackers and the explorer.
// Pure functions; no files, no windows.
#pragma once

#include <cstddef>
#include <string>

namespace qm {

// Host key of a page address ("UnknownHost", "LocalHost" or the host part).
std::string GetHostName(const std::string& url);
// Domain key of a page address.
std::string GetDomainName(const std::string& url);
// Domain key of an already computed host key.
std::string DomainOfHostKey(const std::string& hostKey);
// Name of the host file that holds the filters of url: the safe file name of
// its host key followed by ".Dat".
std::string GetHostFileName(const std::string& url);
// Text after the last backslash, else after the last slash, else the text.
std::string GetLastPathPart(const std::string& text);
// "Page", "Host", "Domain" or "".
std::string GetScopeName(int scope);

// Host keys come from addresses and may hold anything. SafeFileNameOf maps a
// host key to a file name that stays inside the data directory on every
// platform: '%', path separators, wildcards, control characters, the
// characters Windows forbids and every byte above 127 become "%XX"
// (upper-case hex), and a key whose first dotted part is a reserved device
// name (CON, PRN, AUX, NUL, COM1-9, LPT1-9, CONIN$, CONOUT$, any case) has its
// first character escaped. Ordinary host names are returned unchanged. The
// mapping is one-to-one; HostKeyOfFileName reverses it.
std::string SafeFileNameOf(const std::string& hostKey);
std::string HostKeyOfFileName(const std::string& fileName);
// Longest host file name the store makes: its undo file name (five bytes
// longer) must still fit the 255 bytes that file systems allow for a name.
constexpr std::size_t kMaxHostFileNameBytes = 250;
// Host file name of a host key: SafeFileNameOf(hostKey) + ".Dat" when that
// is at most kMaxHostFileNameBytes long. A longer one is shortened: the safe
// name cut at an escape boundary, then "%~" and sixteen hexadecimal digits of
// a hash of the whole host key, then ".Dat". SafeFileNameOf never writes
// "%~", so a shortened name cannot meet an ordinary one; the host key of a
// shortened name is not in the name but in the file (its locations).
std::string HostFileNameOfKey(const std::string& hostKey);
// True when name is exactly a host file name this store writes: it ends in
// ".Dat" and its stem is the canonical safe form of some host key, or a
// shortened name as HostFileNameOfKey makes them.
bool IsHostFileName(const std::string& name);
// True for a shortened host file name (see HostFileNameOfKey).
bool IsShortenedHostFileName(const std::string& name);

}  // namespace qm
