#include "explorer/win/pane_win.h"

#include <commctrl.h>

#include <algorithm>

namespace qm::win {

namespace {

constexpr char kPaneClass[] = "QuillmoorExplorerPane";
constexpr char kSplitterColumnsClass[] = "QuillmoorSplitterColumns";
constexpr char kSplitterRowsClass[] = "QuillmoorSplitterRows";

// Notifications and commands of a container's children reach the frame.
bool ForwardsToParent(UINT message) {
    return message == WM_NOTIFY || message == WM_COMMAND || message == WM_CONTEXTMENU;
}

}  // namespace

HIMAGELIST MakeIconImages(std::initializer_list<int> iconIds, int size) {
    HIMAGELIST images = ::ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 5, 5);
    if (images == nullptr) {
        return nullptr;
    }
    for (int id : iconIds) {
        auto icon = static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr),
                                                    MAKEINTRESOURCEW(id), IMAGE_ICON, size, size,
                                                    LR_DEFAULTCOLOR));
        ::ImageList_AddIcon(images, icon);
        if (icon != nullptr) {
            ::DestroyIcon(icon);
        }
    }
    return images;
}

void CPane::ReplaceImages(UINT setMessage, WPARAM which, HIMAGELIST images) {
    if (control_ == nullptr || images == nullptr) {
        return;
    }
    auto old = reinterpret_cast<HIMAGELIST>(
        ::SendMessageW(control_, setMessage, which, reinterpret_cast<LPARAM>(images)));
    if (old != nullptr && old != images) {
        ::ImageList_Destroy(old);
    }
}

bool CPane::CreatePane(HWND parent, int id) {
    if (!RegisterWindowClass(kPaneClass, 0, nullptr, nullptr, nullptr)) {
        return false;
    }
    return Create(0, kPaneClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 10, 10, parent,
                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
}

HWND CPane::CreateControl(DWORD exStyle, const wchar_t* className, DWORD style, int id) {
    RECT client{};
    ::GetClientRect(Handle(), &client);
    control_ = ::CreateWindowExW(exStyle, className, L"", WS_CHILD | WS_VISIBLE | style, 0, 0,
                                 client.right, client.bottom, Handle(),
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 ::GetModuleHandleW(nullptr), nullptr);
    return control_;
}

bool CPane::OnNotify(const NMHDR&, LRESULT&) {
    return false;
}

bool CPane::OnMessage(UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
    switch (message) {
        case WM_SIZE:
            if (control_ != nullptr) {
                ::MoveWindow(control_, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
            }
            result = 0;
            return true;
        case WM_SETFOCUS:
            if (control_ != nullptr) {
                ::SetFocus(control_);
            }
            result = 0;
            return true;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            return header != nullptr && header->hwndFrom == control_ && OnNotify(*header, result);
        }
        default:
            return false;
    }
}

bool CSplitter::CreateSplitter(HWND parent, int id) {
    const bool columns = orientation_ == Orientation::kColumns;
    const char* className = columns ? kSplitterColumnsClass : kSplitterRowsClass;
    HCURSOR cursor = ::LoadCursorW(nullptr, columns ? reinterpret_cast<LPCWSTR>(IDC_SIZEWE)
                                                    : reinterpret_cast<LPCWSTR>(IDC_SIZENS));
    if (!RegisterWindowClass(className, 0, nullptr, cursor,
                             reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1))) {
        return false;
    }
    return Create(0, className, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 10, 10, parent,
                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
}

void CSplitter::SetPanes(HWND first, HWND second) {
    panes_[0] = first;
    panes_[1] = second;
    Layout();
}

void CSplitter::SetFirstSize(int size) {
    first_ = std::max(0, size);
    Layout();
}

int CSplitter::Extent() const {
    RECT client{};
    ::GetClientRect(Handle(), &client);
    return orientation_ == Orientation::kColumns ? client.right : client.bottom;
}

void CSplitter::Layout() {
    if (Handle() == nullptr) {
        return;
    }
    RECT client{};
    ::GetClientRect(Handle(), &client);
    const int extent = Extent();
    const int first = std::clamp(first_, 0, std::max(0, extent - kBar));
    const int second = std::max(0, extent - first - kBar);
    const bool columns = orientation_ == Orientation::kColumns;
    if (panes_[0] != nullptr) {
        ::MoveWindow(panes_[0], 0, 0, columns ? first : client.right,
                     columns ? client.bottom : first, TRUE);
    }
    if (panes_[1] != nullptr) {
        const int at = first + kBar;
        ::MoveWindow(panes_[1], columns ? at : 0, columns ? 0 : at, columns ? second : client.right,
                     columns ? client.bottom : second, TRUE);
    }
}

int CSplitter::Along(LPARAM lParam) const {
    return orientation_ == Orientation::kColumns ? static_cast<short>(LOWORD(lParam))
                                                 : static_cast<short>(HIWORD(lParam));
}

bool CSplitter::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (ForwardsToParent(message)) {
        result = ::SendMessageW(::GetParent(Handle()), message, wParam, lParam);
        return true;
    }
    switch (message) {
        case WM_SIZE:
            Layout();
            result = 0;
            return true;
        case WM_LBUTTONDOWN:
            dragging_ = true;
            grip_ = Along(lParam) - first_;
            ::SetCapture(Handle());
            result = 0;
            return true;
        case WM_MOUSEMOVE:
            if (dragging_) {
                SetFirstSize(Along(lParam) - grip_);
            }
            result = 0;
            return true;
        case WM_LBUTTONUP:
        case WM_CAPTURECHANGED:
            if (dragging_) {
                dragging_ = false;
                if (message == WM_LBUTTONUP) {
                    ::ReleaseCapture();
                }
            }
            result = 0;
            return true;
        default:
            return false;
    }
}

}  // namespace qm::win
