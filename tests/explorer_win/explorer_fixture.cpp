#include "tests/explorer_win/explorer_fixture.h"

#include <windows.h>

#include <commctrl.h>

#include <fstream>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>

#include "platform/win/utf16_win.h"

#include "tests/app_win/win_test_util.h"
#include "testing/remove_tree.h"

namespace qm::wintest {

namespace {

struct LaterWork {
    std::function<void()> work;
    DWORD delayMs;
};

DWORD WINAPI RunLater(void* parameter) {
    std::unique_ptr<LaterWork> later(static_cast<LaterWork*>(parameter));
    ::Sleep(later->delayMs);
    later->work();
    return 0;
}

void SendKey(WORD key, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    ::SendInput(1, &input, sizeof(INPUT));
}

}  // namespace

HWND WaitForWindow(const wchar_t* caption, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        HWND found = ::FindWindowW(nullptr, caption);
        if (found != nullptr && ::IsWindowVisible(found)) {
            return found;
        }
        if (::GetTickCount() - start >= timeoutMs) {
            return nullptr;
        }
        ::Sleep(20);
    }
}

void ExplorerTest::SetUp() {
    root_ = std::filesystem::temp_directory_path() /
            ("qm-explorer-" + std::to_string(std::random_device{}()));
    data_ = root_ / "Data";
    std::filesystem::create_directories(data_);
}

void ExplorerTest::TearDown() {
    JoinHelpers();
    if (core_) {
        core_->SetMainFrame(nullptr);
    }
    frame_.reset();
    core_.reset();
    RemoveTree(root_);
}

void ExplorerTest::WriteHostFile(const std::string& hostFileName,
                                 const std::vector<Filter>& filters) {
    HostFileTables tables;
    for (const Filter& filter : filters) {
        std::size_t location = 0;
        while (location < tables.locations.size() && tables.locations[location] != filter.page) {
            ++location;
        }
        if (location == tables.locations.size()) {
            tables.locations.push_back(filter.page);
        }
        FilterRecord record;
        record.nLocation = static_cast<std::int16_t>(location);
        record.nId = static_cast<std::int16_t>(tables.records.size());
        record.sName = filter.name;
        record.sType = filter.type;
        record.nScope = static_cast<std::int8_t>(filter.scope);
        record.tDeleted = filter.deleted;
        record.tLastHit = filter.deleted;
        record.sHtml = filter.html.empty() ? "<img src=\"" + filter.name + "\">" : filter.html;
        tables.records.push_back(record);
    }
    std::ofstream(data_ / hostFileName, std::ios::binary) << SerializeHostFile(tables);
}

std::vector<FilterRecord> ExplorerTest::RecordsOnDisk(const std::string& hostFileName) const {
    std::string bytes;
    HostFileTables tables;
    if (!ReadWholeFile(data_ / hostFileName, bytes) || !ParseHostFile(bytes, tables)) {
        return {};
    }
    return tables.records;
}

void ExplorerTest::Open() {
    core_.emplace(AppCoreContext{TextFromPath(data_), registry_, "Quillmoor.exe",
                                 TextFromPath(root_) + "\\", launcher_, windows_, browsers_,
                                 dialogs_});
    frame_ = std::make_unique<win::CMainFrame>(*core_);
    ASSERT_TRUE(frame_->CreateHidden());
    core_->SetMainFrame(frame_.get());
    ::SetWindowPos(frame_->Handle(), nullptr, 10, 10, 900, 600, SWP_NOZORDER);
    frame_->Show(true);
    ::SetForegroundWindow(frame_->Handle());
    Settle(300);
}

bool ExplorerTest::Pump(const std::function<bool()>& pred, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (frame_ && frame_->PreTranslate(msg)) {
                continue;
            }
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        if (pred()) {
            return true;
        }
        if (::GetTickCount() - start >= timeoutMs) {
            return false;
        }
        ::Sleep(10);
    }
}

void ExplorerTest::Settle(DWORD ms) {
    const DWORD start = ::GetTickCount();
    Pump([&] { return ::GetTickCount() - start >= ms; }, ms + 100);
}

void ExplorerTest::PressKey(WORD key, bool ctrl) {
    if (ctrl) {
        SendKey(VK_CONTROL, false);
    }
    SendKey(key, false);
    SendKey(key, true);
    if (ctrl) {
        SendKey(VK_CONTROL, true);
    }
    Settle();
}

void ExplorerTest::Click(POINT screen, bool ctrl, bool right, WORD modifier) {
    MoveCursorTo(screen.x, screen.y);
    Pump(
        [&] {
            POINT at{};
            ::GetCursorPos(&at);
            return std::abs(at.x - screen.x) <= 1 && std::abs(at.y - screen.y) <= 1;
        },
        1000);
    Settle(60);
    // Everything is queued before the next message is handled: the controls
    // track the button in loops of their own until the release arrives. Each
    // event carries the point, so none lands where the cursor was before.
    if (ctrl) {
        SendKey(modifier, false);
        Settle(50);
    }
    const int w = ::GetSystemMetrics(SM_CXSCREEN);
    const int h = ::GetSystemMetrics(SM_CYSCREEN);
    INPUT input[2] = {};
    for (INPUT& event : input) {
        event.type = INPUT_MOUSE;
        event.mi.dx = (screen.x * 65536 + w - 1) / w;
        event.mi.dy = (screen.y * 65536 + h - 1) / h;
    }
    input[0].mi.dwFlags = (right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN) |
                          MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    input[1].mi.dwFlags = (right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP) | MOUSEEVENTF_MOVE |
                          MOUSEEVENTF_ABSOLUTE;
    ::SendInput(2, input, sizeof(INPUT));
    if (ctrl) {
        Settle(100);
        SendKey(modifier, true);
    }
    // Past the double-click time, so that the next press is a click of its own.
    Settle(std::max<UINT>(::GetDoubleClickTime(), 100) + 50);
}

void ExplorerTest::DoubleClick(POINT screen) {
    MoveCursorTo(screen.x, screen.y);
    Settle(60);
    INPUT input[4] = {};
    for (int i = 0; i < 4; ++i) {
        input[i].type = INPUT_MOUSE;
        input[i].mi.dwFlags = i % 2 == 0 ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    }
    ::SendInput(4, input, sizeof(INPUT));
}

std::vector<std::string> ExplorerTest::Column(int column) const {
    HWND list = frame_->ListPane().Control();
    std::vector<std::string> texts;
    const int count = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t text[512] = {};
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = 512;
        ::SendMessageW(list, LVM_GETITEMTEXTW, i, reinterpret_cast<LPARAM>(&item));
        texts.push_back(win::Narrow(text));
    }
    return texts;
}

std::vector<int> ExplorerTest::Selected() const {
    return frame_->ListPane().SelectedPositions();
}

POINT ExplorerTest::RowPoint(int position) const {
    HWND list = frame_->ListPane().Control();
    RECT r{};
    r.left = LVIR_LABEL;
    ::SendMessageW(list, LVM_GETITEMRECT, position, reinterpret_cast<LPARAM>(&r));
    POINT p{r.left + 20, (r.top + r.bottom) / 2};
    ::ClientToScreen(list, &p);
    return p;
}

POINT ExplorerTest::HeaderPoint(int column) const {
    HWND header = reinterpret_cast<HWND>(
        ::SendMessageW(frame_->ListPane().Control(), LVM_GETHEADER, 0, 0));
    RECT r{};
    ::SendMessageW(header, HDM_GETITEMRECT, column, reinterpret_cast<LPARAM>(&r));
    POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ::ClientToScreen(header, &p);
    return p;
}

int ExplorerTest::HeaderFormat(int column) const {
    HWND header = reinterpret_cast<HWND>(
        ::SendMessageW(frame_->ListPane().Control(), LVM_GETHEADER, 0, 0));
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    ::SendMessageW(header, HDM_GETITEMW, column, reinterpret_cast<LPARAM>(&item));
    return item.fmt;
}

HTREEITEM ExplorerTest::TreeItem(const std::vector<std::string>& topDown) const {
    HWND tree = frame_->TreePane().Control();
    HTREEITEM item = nullptr;
    for (const std::string& label : topDown) {
        HTREEITEM child = reinterpret_cast<HTREEITEM>(::SendMessageW(
            tree, TVM_GETNEXTITEM, item == nullptr ? TVGN_ROOT : TVGN_CHILD,
            reinterpret_cast<LPARAM>(item)));
        while (child != nullptr && frame_->TreePane().LabelsOf(child).front() != label) {
            child = reinterpret_cast<HTREEITEM>(
                ::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(child)));
        }
        if (child == nullptr) {
            return nullptr;
        }
        item = child;
    }
    return item;
}

POINT ExplorerTest::TreePoint(HTREEITEM item) const {
    HWND tree = frame_->TreePane().Control();
    RECT r{};
    // TVM_GETITEMRECT takes the item in the rectangle's place.
    std::memcpy(&r, &item, sizeof(item));
    ::SendMessageW(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&r));
    POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ::ClientToScreen(tree, &p);
    return p;
}

bool ExplorerTest::ClickTreeItem(const std::vector<std::string>& topDown) {
    HWND tree = frame_->TreePane().Control();
    for (int attempt = 0; attempt < 3; ++attempt) {
        HTREEITEM item = TreeItem(topDown);
        if (item == nullptr) {
            return false;
        }
        Click(TreePoint(item));
        if (reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0)) ==
            item) {
            return true;
        }
    }
    return false;
}

bool ExplorerTest::ClickRow(int position) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        Click(RowPoint(position));
        if (Selected() == std::vector<int>{position}) {
            return true;
        }
    }
    return false;
}

std::vector<std::string> ExplorerTest::TreeLabels(HTREEITEM parent) const {
    HWND tree = frame_->TreePane().Control();
    std::vector<std::string> labels;
    HTREEITEM child = reinterpret_cast<HTREEITEM>(::SendMessageW(
        tree, TVM_GETNEXTITEM, parent == nullptr ? TVGN_ROOT : TVGN_CHILD,
        reinterpret_cast<LPARAM>(parent)));
    for (; child != nullptr; child = reinterpret_cast<HTREEITEM>(::SendMessageW(
                                 tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(child)))) {
        labels.push_back(frame_->TreePane().LabelsOf(child).front());
    }
    return labels;
}

void ExplorerTest::Later(std::function<void()> work, DWORD delayMs) {
    auto* later = new LaterWork{std::move(work), delayMs};
    HANDLE thread = ::CreateThread(nullptr, 0, &RunLater, later, 0, nullptr);
    if (thread == nullptr) {
        delete later;
        return;
    }
    helpers_.push_back(thread);
}

void ExplorerTest::JoinHelpers() {
    for (HANDLE thread : helpers_) {
        // Pump while waiting: the helper may be answering a window of ours.
        Pump([&] { return ::WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }, 10000);
        ::CloseHandle(thread);
    }
    helpers_.clear();
}

}  // namespace qm::wintest
