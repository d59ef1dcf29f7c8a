#include "app/win/data_folder_win.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <vector>

namespace qm::win {

namespace {

std::string Utf8FromWide(const wchar_t* wide, int count) {
    if (wide == nullptr || count <= 0) {
        return std::string();
    }
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, wide, count, nullptr, 0, nullptr, nullptr);
    if (size <= 0) {
        return std::string();
    }
    std::string text(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide, count, text.data(), size, nullptr, nullptr);
    return text;
}

std::wstring WideFromUtf8(const std::string& text) {
    if (text.empty()) {
        return std::wstring();
    }
    const int count = static_cast<int>(text.size());
    const int size = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), count, nullptr, 0);
    if (size <= 0) {
        return std::wstring();
    }
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), count, wide.data(), size);
    return wide;
}

// The program's folder with its trailing backslash, in UTF-8; empty when the
// system cannot tell (long paths included).
std::string ProgramDirectory() {
    std::vector<wchar_t> buffer(32768);
    const DWORD length =
        ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0 || length >= buffer.size()) {
        return std::string();
    }
    std::wstring path(buffer.data(), length);
    const std::size_t slash = path.find_last_of(L'\\');
    if (slash == std::wstring::npos) {
        return std::string();
    }
    path.resize(slash + 1);
    return Utf8FromWide(path.data(), static_cast<int>(path.size()));
}

std::string LocalAppDataDirectory() {
    PWSTR folder = nullptr;
    std::string text;
    if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &folder))) {
        text = Utf8FromWide(folder, static_cast<int>(::lstrlenW(folder)));
    }
    ::CoTaskMemFree(folder);
    return text;
}

}  // namespace

DataFolderChoice ChooseProgramDataFolder() {
    DiskDataFolderProbe probe;
    const std::string program = ProgramDirectory();
    if (program.empty()) {
        // Without its own folder the program can only use the user's.
        return ChooseDataFolder("\\\\?\\unknown\\", LocalAppDataDirectory(), '\\', probe);
    }
    return ChooseDataFolder(program, LocalAppDataDirectory(), '\\', probe);
}

void ShowDataFolderNotice(const std::string& notice, bool fatal) {
    const std::wstring text = WideFromUtf8(notice);
    ::MessageBoxW(nullptr, text.c_str(), L"Quill Moor",
                  MB_OK | MB_SETFOREGROUND | (fatal ? MB_ICONERROR : MB_ICONWARNING));
}

}  // namespace qm::win
