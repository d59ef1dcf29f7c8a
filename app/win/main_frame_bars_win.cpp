// The main frame's bars: the toolbar in its rebar band, the status bar with
// its four panes, the tooltips and the fly-by prompts of the status bar.
#include <windows.h>

#include <commctrl.h>

#include <iterator>

#include "app/win/main_frame_win.h"
#include "platform/win/utf16_win.h"
#include "res/resource.h"

namespace qm::win {

namespace {

struct ToolbarButton {
    int command;  // 0: separator
    int image;
};

// Restore, Go to web page, Properties | Undo, Find, Find Next | Options, Help.
constexpr ToolbarButton kButtons[] = {
    {ID_RESTORE, 0}, {ID_GOTO_WEB_PAGE, 1}, {ID_PROPERTIES, 2}, {0, 0},      {ID_UNDO, 3},
    {ID_FIND, 4},    {ID_FIND_NEXT, 5},     {0, 0},             {ID_OPTIONS, 6}, {ID_HELP_CONTENTS, 7},
};

constexpr int kIndicators[] = {ID_INDICATOR_CAPS, ID_INDICATOR_NUM, ID_INDICATOR_SCRL};
constexpr int kIndicatorKeys[] = {VK_CAPITAL, VK_NUMLOCK, VK_SCROLL};

// The part of a command's prompt before the newline (status bar) or after it
// (tooltip).
std::string PromptPart(int id, bool tooltip) {
    const std::string text = LoadResourceString(id);
    const std::size_t newline = text.find('\n');
    if (newline == std::string::npos) {
        return tooltip ? std::string() : text;
    }
    return tooltip ? text.substr(newline + 1) : text.substr(0, newline);
}

}  // namespace

std::string LoadResourceString(int id) {
    const wchar_t* text = nullptr;
    const int length = ::LoadStringW(::GetModuleHandleW(nullptr), static_cast<UINT>(id),
                                     reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 && text != nullptr ? Narrow(std::wstring_view(text, static_cast<size_t>(length)))
                                         : std::string();
}

bool CMainFrame::CreateBars() {
    HWND frame = Handle();
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    // Toolbar: flat, with tooltips, its strip from the toolbar bitmap.
    toolbar_ = ::CreateWindowExW(0, TOOLBARCLASSNAMEW, L"",
                                 WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS |
                                     CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN,
                                 0, 0, 0, 0, frame,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(ID_VIEW_TOOLBAR)),
                                 instance, nullptr);
    if (toolbar_ == nullptr) {
        return false;
    }
    ::SendMessageW(toolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    if (!MakeToolbarImages(dpi_)) {
        return false;
    }
    TBBUTTON buttons[std::size(kButtons)] = {};
    for (std::size_t i = 0; i < std::size(kButtons); ++i) {
        buttons[i].iBitmap = kButtons[i].command != 0 ? kButtons[i].image : 0;
        buttons[i].idCommand = kButtons[i].command;
        buttons[i].fsState = TBSTATE_ENABLED;
        buttons[i].fsStyle = kButtons[i].command != 0 ? BTNS_BUTTON : BTNS_SEP;
        buttons[i].iString = -1;
    }
    ::SendMessageW(toolbar_, TB_ADDBUTTONSW, std::size(buttons), reinterpret_cast<LPARAM>(buttons));
    ::SendMessageW(toolbar_, TB_AUTOSIZE, 0, 0);

    // Rebar with band borders, holding the toolbar as its one band.
    rebar_ = ::CreateWindowExW(WS_EX_TOOLWINDOW, REBARCLASSNAMEW, L"",
                               WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN |
                                   RBS_BANDBORDERS | CCS_TOP | CCS_NODIVIDER,
                               0, 0, 0, 0, frame,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(AFX_IDW_REBAR)),
                               instance, nullptr);
    if (rebar_ == nullptr) {
        return false;
    }
    ::SetParent(toolbar_, rebar_);
    const DWORD size = static_cast<DWORD>(::SendMessageW(toolbar_, TB_GETBUTTONSIZE, 0, 0));
    SIZE ideal{};
    ::SendMessageW(toolbar_, TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&ideal));
    REBARBANDINFOW band{};
    band.cbSize = sizeof(band);
    band.fMask = RBBIM_STYLE | RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_SIZE | RBBIM_IDEALSIZE;
    band.fStyle = RBBS_GRIPPERALWAYS | RBBS_FIXEDBMP | RBBS_CHILDEDGE;
    band.hwndChild = toolbar_;
    band.cxMinChild = ideal.cx;
    band.cyMinChild = HIWORD(size);
    band.cx = ideal.cx;
    band.cxIdeal = ideal.cx;
    if (!::SendMessageW(rebar_, RB_INSERTBANDW, static_cast<WPARAM>(-1),
                        reinterpret_cast<LPARAM>(&band))) {
        return false;
    }

    status_ = ::CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP,
                                0, 0, 0, 0, frame,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(ID_VIEW_STATUS_BAR)),
                                instance, nullptr);
    if (status_ == nullptr) {
        return false;
    }
    const int parts[] = {100, 150, 200, -1};
    ::SendMessageW(status_, SB_SETPARTS, 4, reinterpret_cast<LPARAM>(parts));
    SetStatusText(LoadResourceString(AFX_IDS_IDLEMESSAGE));
    UpdateIndicators();
    return true;
}

void CMainFrame::SetStatusText(const std::string& text) {
    if (status_ != nullptr) {
        ::SendMessageW(status_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(Widen(text).c_str()));
    }
}

void CMainFrame::ShowPrompt(int id) {
    SetStatusText(PromptPart(id, false));
}

void CMainFrame::UpdateIndicators() {
    if (status_ == nullptr) {
        return;
    }
    for (int i = 0; i < 3; ++i) {
        const bool on = (::GetKeyState(kIndicatorKeys[i]) & 1) != 0;
        const std::wstring text = on ? Widen(LoadResourceString(kIndicators[i])) : L"";
        ::SendMessageW(status_, SB_SETTEXTW, static_cast<WPARAM>(i + 1),
                       reinterpret_cast<LPARAM>(text.c_str()));
    }
}

void CMainFrame::UpdateToolbar() {
    if (toolbar_ == nullptr) {
        return;
    }
    for (const ToolbarButton& button : kButtons) {
        if (button.command != 0) {
            ::SendMessageW(toolbar_, TB_ENABLEBUTTON, static_cast<WPARAM>(button.command),
                           MAKELPARAM(IsCommandEnabled(button.command) ? TRUE : FALSE, 0));
        }
    }
}

bool CMainFrame::OnNotify(const NMHDR& header, LRESULT& result) {
    switch (header.code) {
        case TTN_GETDISPINFOW: {
            auto& info = const_cast<NMTTDISPINFOW&>(reinterpret_cast<const NMTTDISPINFOW&>(header));
            static std::wstring tip;
            tip = Widen(PromptPart(static_cast<int>(header.idFrom), true));
            info.lpszText = tip.data();
            info.hinst = nullptr;
            result = 0;
            return true;
        }
        case TBN_HOTITEMCHANGE: {
            const auto& hot = reinterpret_cast<const NMTBHOTITEM&>(header);
            if ((hot.dwFlags & HICF_LEAVING) != 0 || hot.idNew == 0) {
                SetStatusText(LoadResourceString(AFX_IDS_IDLEMESSAGE));
            } else {
                ShowPrompt(hot.idNew);
            }
            result = 0;
            return true;
        }
        case NM_SETFOCUS:
            if (header.hwndFrom == tree_.Control() || header.hwndFrom == list_.Control()) {
                const bool tree = header.hwndFrom == tree_.Control();
                const bool changed = tree != activeTree_;
                activeTree_ = tree;
                if (!tree && changed) {
                    // The tree shows the host whose filters are listed.
                    tree_.SelectHostItem(list_.HostFile());
                }
                UpdateToolbar();
            }
            result = 0;
            return true;
        default:
            return false;
    }
}

}  // namespace qm::win
