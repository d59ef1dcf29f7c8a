#include "store/address_keys.h"

#include <cstdint>

namespace qm {

namespace {

const char kHostExtension[] = ".Dat";
constexpr std::size_t kExtensionBytes = sizeof(kHostExtension) - 1;
const char kShortenedMark[] = "%~";
constexpr std::size_t kMarkBytes = sizeof(kShortenedMark) - 1;
constexpr std::size_t kHashDigits = 16;
// Bytes of the safe name a shortened name keeps (two fewer when the cut would
// split an escape).
constexpr std::size_t kShortenedCutBytes =
    kMaxHostFileNameBytes - kMarkBytes - kHashDigits - kExtensionBytes;

// 64-bit FNV-1a of the text, as sixteen upper-case hexadecimal digits.
std::string HashText(const std::string& text) {
    std::uint64_t h = 14695981039346656037ull;
    for (char c : text) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ull;
    }
    static const char kHex[] = "0123456789ABCDEF";
    std::string out(kHashDigits, '0');
    for (std::size_t i = kHashDigits; i-- > 0; h >>= 4) {
        out[i] = kHex[h & 0x0F];
    }
    return out;
}

std::string HostPartAfter(const std::string& url, std::size_t start) {
    const std::size_t slash = url.find('/', start);
    if (slash == std::string::npos) {
        return "UnknownHost";
    }
    std::string host = url.substr(start, slash - start);
    if (!host.empty() && host.back() == '.') {
        host.pop_back();
    }
    const std::size_t colon = host.rfind(':');
    if (colon != std::string::npos) {
        host.erase(colon);
    }
    return host;
}

bool StartsWithNoCase(const std::string& text, const char* prefix) {
    std::size_t i = 0;
    for (; prefix[i] != '\0'; ++i) {
        if (i >= text.size()) {
            return false;
        }
        char a = text[i];
        char b = prefix[i];
        if (a >= 'A' && a <= 'Z') {
            a = static_cast<char>(a - 'A' + 'a');
        }
        if (b >= 'A' && b <= 'Z') {
            b = static_cast<char>(b - 'A' + 'a');
        }
        if (a != b) {
            return false;
        }
    }
    return true;
}

// The label counts as numeric when reading it as a 32-bit integer (sign,
// leading digits, 0 without digits) and writing it back gives the same text.
bool IsNumericLabel(const std::string& label) {
    std::size_t i = 0;
    bool negative = false;
    if (i < label.size() && (label[i] == '+' || label[i] == '-')) {
        negative = label[i] == '-';
        ++i;
    }
    std::uint32_t value = 0;
    for (; i < label.size() && label[i] >= '0' && label[i] <= '9'; ++i) {
        value = value * 10u + static_cast<std::uint32_t>(label[i] - '0');
    }
    std::int32_t number = static_cast<std::int32_t>(negative ? 0u - value : value);
    return std::to_string(number) == label;
}

bool MustEscape(unsigned char c) {
    if (c < 0x20 || c >= 0x7F) {
        return true;
    }
    switch (c) {
        case '%':
        case '/':
        case '\\':
        case '*':
        case '?':
        case '<':
        case '>':
        case ':':
        case '"':
        case '|':
            return true;
        default:
            return false;
    }
}

char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsReservedDeviceName(const std::string& key) {
    std::size_t end = key.find('.');
    if (end == std::string::npos) {
        end = key.size();
    }
    // Windows also ignores trailing blanks before the extension.
    while (end > 0 && key[end - 1] == ' ') {
        --end;
    }
    std::string stem;
    for (std::size_t i = 0; i < end; ++i) {
        stem += UpperAscii(key[i]);
    }
    if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL" || stem == "CONIN$" ||
        stem == "CONOUT$") {
        return true;
    }
    return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
           stem[3] >= '1' && stem[3] <= '9';
}

void AppendEscaped(std::string& out, unsigned char c) {
    static const char kHex[] = "0123456789ABCDEF";
    out += '%';
    out += kHex[c >> 4];
    out += kHex[c & 0x0F];
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

}  // namespace

std::string GetHostName(const std::string& url) {
    if (url.compare(0, 7, "http://") == 0) {
        return HostPartAfter(url, 7);
    }
    if (url.compare(0, 8, "https://") == 0) {
        return HostPartAfter(url, 8);
    }
    if (StartsWithNoCase(url, "file://")) {
        return "LocalHost";
    }
    return "UnknownHost";
}

std::string DomainOfHostKey(const std::string& host) {
    const std::size_t dot = host.find('.');
    if (dot == std::string::npos || dot == 0) {
        return host == "LocalHost" ? std::string("LocalDomain") : host + ".UnknownDomain";
    }
    if (IsNumericLabel(host.substr(0, dot))) {
        return host.substr(0, host.rfind('.'));
    }
    return host.substr(dot + 1);
}

std::string GetDomainName(const std::string& url) {
    return DomainOfHostKey(GetHostName(url));
}

std::string GetHostFileName(const std::string& url) {
    return HostFileNameOfKey(GetHostName(url));
}

std::string GetLastPathPart(const std::string& text) {
    std::size_t cut = text.rfind('\\');
    if (cut == std::string::npos) {
        cut = text.rfind('/');
    }
    return cut == std::string::npos ? text : text.substr(cut + 1);
}

std::string GetScopeName(int scope) {
    switch (scope) {
        case 0:
            return "Page";
        case 1:
            return "Host";
        case 2:
            return "Domain";
        default:
            return "";
    }
}

std::string SafeFileNameOf(const std::string& hostKey) {
    std::string out;
    out.reserve(hostKey.size() + 8);
    const bool reserved = IsReservedDeviceName(hostKey);
    for (std::size_t i = 0; i < hostKey.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(hostKey[i]);
        if (MustEscape(c) || (reserved && i == 0)) {
            AppendEscaped(out, c);
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string HostKeyOfFileName(const std::string& fileName) {
    std::string out;
    out.reserve(fileName.size());
    for (std::size_t i = 0; i < fileName.size(); ++i) {
        if (fileName[i] == '%' && i + 2 < fileName.size() && HexValue(fileName[i + 1]) >= 0 &&
            HexValue(fileName[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(fileName[i + 1]) * 16 + HexValue(fileName[i + 2]));
            i += 2;
        } else {
            out += fileName[i];
        }
    }
    return out;
}

std::string HostFileNameOfKey(const std::string& hostKey) {
    std::string safe = SafeFileNameOf(hostKey);
    if (safe.size() + kExtensionBytes <= kMaxHostFileNameBytes) {
        return safe + kHostExtension;
    }
    // Cut at an escape boundary, so that the kept part is canonical itself.
    std::size_t cut = kShortenedCutBytes;
    for (std::size_t back = 1; back <= 2; ++back) {
        if (safe[cut - back] == '%') {
            cut -= back;
            break;
        }
    }
    safe.resize(cut);
    return safe + kShortenedMark + HashText(hostKey) + kHostExtension;
}

bool IsShortenedHostFileName(const std::string& name) {
    const std::size_t tail = kMarkBytes + kHashDigits + kExtensionBytes;
    if (name.size() > kMaxHostFileNameBytes || name.size() < kShortenedCutBytes - 2 + tail ||
        name.compare(name.size() - kExtensionBytes, kExtensionBytes, kHostExtension) != 0) {
        return false;
    }
    const std::size_t mark = name.size() - tail;
    if (name.compare(mark, kMarkBytes, kShortenedMark) != 0) {
        return false;
    }
    for (std::size_t i = mark + kMarkBytes; i < name.size() - kExtensionBytes; ++i) {
        if (!((name[i] >= '0' && name[i] <= '9') || (name[i] >= 'A' && name[i] <= 'F'))) {
            return false;
        }
    }
    const std::string cut = name.substr(0, mark);
    return SafeFileNameOf(HostKeyOfFileName(cut)) == cut;
}

bool IsHostFileName(const std::string& name) {
    if (name.size() < kExtensionBytes ||
        name.compare(name.size() - kExtensionBytes, kExtensionBytes, kHostExtension) != 0) {
        return false;
    }
    const std::string stem = name.substr(0, name.size() - kExtensionBytes);
    return SafeFileNameOf(HostKeyOfFileName(stem)) == stem || IsShortenedHostFileName(name);
}

}  // namespace qm
