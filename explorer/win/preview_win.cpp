#include "explorer/win/preview_win.h"

#include "explorer/preview_text.h"
#include "explorer/win/preview_engine_win.h"
#include "platform/win/utf16_win.h"
#include "res/resource.h"

namespace qm::win {

namespace {

class TextRenderer : public ElementRenderer {
public:
    bool Create(HWND parent, int id) override {
        edit_ = ::CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                                  WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE |
                                      ES_READONLY | ES_AUTOVSCROLL | ES_AUTOHSCROLL,
                                  0, 0, 10, 10, parent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                  ::GetModuleHandleW(nullptr), nullptr);
        if (edit_ != nullptr) {
            ::SendMessageW(edit_, WM_SETFONT,
                           reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), FALSE);
        }
        return edit_ != nullptr;
    }
    HWND Window() const override { return edit_; }
    void Show(const std::string&, const FilterRecord& record) override {
        ::SetWindowTextW(edit_, Widen(PreviewText(record)).c_str());
    }
    void Clear() override { ::SetWindowTextW(edit_, L""); }
    std::string Text() const override { return WindowText(edit_); }

private:
    HWND edit_ = nullptr;
};

}  // namespace

std::unique_ptr<ElementRenderer> MakeTextRenderer() {
    return std::make_unique<TextRenderer>();
}

CElementPreview::CElementPreview(std::unique_ptr<ElementRenderer> renderer)
    : renderer_(renderer ? std::move(renderer) : MakePreferredRenderer()) {}

bool CElementPreview::CreatePreview(HWND parent, int paneId) {
    if (!CreatePane(parent, paneId)) {
        return false;
    }
    if (!renderer_->Create(Handle(), IDC_EXPLORER_PREVIEW)) {
        // An engine that cannot be embedded gives way to the text.
        renderer_ = MakeTextRenderer();
        if (!renderer_->Create(Handle(), IDC_EXPLORER_PREVIEW)) {
            return false;
        }
    }
    return true;
}

void CElementPreview::ShowElement(const std::string& pageAddress, const FilterRecord& record) {
    if (pageAddress.empty()) {
        return;
    }
    renderer_->Show(pageAddress, record);
}

void CElementPreview::ClearPreview() {
    renderer_->Clear();
}

bool CElementPreview::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message == WM_SIZE && renderer_->Window() != nullptr) {
        ::MoveWindow(renderer_->Window(), 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        result = 0;
        return true;
    }
    if (message == WM_SETFOCUS && renderer_->Window() != nullptr) {
        ::SetFocus(renderer_->Window());
        result = 0;
        return true;
    }
    return CPane::OnMessage(message, wParam, lParam, result);
}

}  // namespace qm::win
