#include "explorer/win/preview_engine_win.h"

#include <windows.h>

#include <string>
#include <vector>

#include "explorer/win/preview_html_win.h"
#include "platform/win/utf16_win.h"

namespace qm::win {

namespace {

constexpr char kEngineDll[] = "mshtml";
constexpr std::size_t kMostModuleBytes = 64u << 20;
constexpr std::size_t kMostVersionBytes = 128;

bool UnderWine() {
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// A file's first bytes (at most limit); empty when it cannot be read.
std::string ReadFileBytes(const std::wstring& path, std::size_t limit) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return std::string();
    }
    std::string bytes;
    LARGE_INTEGER size{};
    if (::GetFileSizeEx(file, &size) && size.QuadPart > 0) {
        bytes.resize(static_cast<std::size_t>(
            size.QuadPart < static_cast<LONGLONG>(limit) ? size.QuadPart : limit));
        DWORD read = 0;
        if (!::ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr)) {
            read = 0;
        }
        bytes.resize(read);
    }
    ::CloseHandle(file);
    return bytes;
}

bool FileExists(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::wstring RegistryText(HKEY root, const wchar_t* path, const wchar_t* name, bool* present) {
    wchar_t buffer[MAX_PATH * 2] = {};
    DWORD size = sizeof(buffer) - sizeof(wchar_t);
    const LSTATUS status =
        ::RegGetValueW(root, path, name, RRF_RT_REG_SZ, nullptr, buffer, &size);
    if (present != nullptr) {
        *present = status == ERROR_SUCCESS;
    }
    return status == ERROR_SUCCESS ? std::wstring(buffer) : std::wstring();
}

std::wstring Environment(const wchar_t* name) {
    wchar_t buffer[4096] = {};
    const DWORD n = ::GetEnvironmentVariableW(name, buffer, 4096);
    return n > 0 && n < 4096 ? std::wstring(buffer, n) : std::wstring();
}

// mshtml switched off by WINEDLLOVERRIDES or by Wine's DllOverrides key.
bool EngineDisabled() {
    if (OverridesDisableDll(Narrow(Environment(L"WINEDLLOVERRIDES")), kEngineDll)) {
        return true;
    }
    bool present = false;
    const std::wstring order =
        RegistryText(HKEY_CURRENT_USER, L"Software\\Wine\\DllOverrides", L"mshtml", &present);
    return present && OverridesDisableDll("mshtml=" + Narrow(order), kEngineDll);
}

// A Wine DOS path for a Unix path; empty when Wine gives none.
std::wstring DosPath(const char* unixPath) {
    using DosFileName = WCHAR*(CDECL*)(LPCSTR);
    HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    auto convert = kernel != nullptr ? reinterpret_cast<DosFileName>(reinterpret_cast<void*>(
                                           ::GetProcAddress(kernel, "wine_get_dos_file_name")))
                                     : nullptr;
    if (convert == nullptr) {
        return std::wstring();
    }
    WCHAR* path = convert(unixPath);
    if (path == nullptr) {
        return std::wstring();
    }
    std::wstring out(path);
    ::HeapFree(::GetProcessHeap(), 0, path);
    return out;
}

// As Wine's mshtml checks a Gecko folder: its VERSION file holds exactly the
// expected text, and its engine library is there.
bool GeckoFolderMatches(std::wstring folder, const std::string& versionText) {
    if (folder.rfind(L"\\??\\", 0) == 0) {
        folder.erase(0, 4);  // Wine's data folder comes as an NT path
    }
    if (folder.empty()) {
        return false;
    }
    while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/')) {
        folder.pop_back();
    }
    return ReadFileBytes(folder + L"\\VERSION", kMostVersionBytes) == versionText &&
           FileExists(folder + L"\\xul.dll");
}

bool GeckoInstalled() {
    wchar_t system[MAX_PATH + 1] = {};
    const UINT n = ::GetSystemDirectoryW(system, MAX_PATH);
    if (n == 0 || n > MAX_PATH) {
        return false;
    }
    const std::string module =
        ReadFileBytes(std::wstring(system, n) + L"\\mshtml.dll", kMostModuleBytes);
    const std::string versionText = GeckoVersionText(module);
    const std::string folder = GeckoFolderName(versionText, sizeof(void*) == 8 ? "x86_64" : "x86");
    if (folder.empty()) {
        return false;  // this mshtml names no Gecko: take no chance
    }
    // Where mshtml looks, in its order: the installed add-on's registry entry,
    // Wine's data folder, then the shared folders its build names.
    const std::wstring key = L"Software\\Wine\\MSHTML\\" + Widen(GeckoVersion(versionText));
    std::vector<std::wstring> candidates{
        RegistryText(HKEY_LOCAL_MACHINE, key.c_str(), L"GeckoPath", nullptr)};
    const std::wstring wideFolder = Widen(folder);
    if (const std::wstring data = Environment(L"WINEDATADIR"); !data.empty()) {
        candidates.push_back(data + L"\\gecko\\" + wideFolder);
    } else if (const std::wstring build = Environment(L"WINEBUILDDIR"); !build.empty()) {
        candidates.push_back(build + L"\\..\\gecko\\" + wideFolder);
    }
    for (const std::string& shared : GeckoSharedFolders(module, folder)) {
        candidates.push_back(DosPath(shared.c_str()));
    }
    for (const std::wstring& candidate : candidates) {
        if (GeckoFolderMatches(candidate, versionText)) {
            return true;
        }
    }
    return false;
}

}  // namespace

HtmlEngineFacts ProbeHtmlEngine() {
    HtmlEngineFacts facts;
    facts.wine = UnderWine();
    if (facts.wine) {
        facts.engineDisabled = EngineDisabled();
        facts.geckoFound = !facts.engineDisabled && GeckoInstalled();
    }
    return facts;
}

std::unique_ptr<ElementRenderer> MakePreferredRenderer() {
    if (CanEmbedHtmlEngine(ProbeHtmlEngine())) {
        return MakeHtmlRenderer();
    }
    return MakeTextRenderer();
}

}  // namespace qm::win
