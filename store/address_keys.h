// The keys of a page address: host key, domain key and host file name, plus
// the small text helpers shared by the store, the trackers and the explorer.
// Pure functions; no files, no windows.
#pragma once

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
// Host file name of a host key: SafeFileNameOf(hostKey) + ".Dat".
std::string HostFileNameOfKey(const std::string& hostKey);
// True when name is exactly a host file name this store writes: it ends in
// ".Dat" and its stem is the canonical safe form of some host key.
bool IsHostFileName(const std::string& name);

}  // namespace qm
