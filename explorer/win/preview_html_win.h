// The preview renderer that shows the saved markup in the browser control,
// hosted by CPreviewSite and kept on its blank page by CPreviewGuard. The
// control starts on "about:blank"; each element is then written into that
// page from memory (IPersistStreamInit), never through a file or an address.
#pragma once

#include <windows.h>
#include <exdisp.h>
#include <ocidl.h>
#include <ole2.h>

#include <memory>
#include <optional>
#include <string>

#include "browser/ie/com_ref.h"
#include "explorer/win/preview_guard_win.h"
#include "explorer/win/preview_site_win.h"
#include "explorer/win/preview_win.h"

namespace qm::win {

class CHtmlRenderer : public ElementRenderer {
public:
    CHtmlRenderer() = default;
    ~CHtmlRenderer() override;

    // Fails (and the preview shows text) when the control cannot be made,
    // hosted, guarded or activated.
    bool Create(HWND parent, int id) override;
    HWND Window() const override { return host_; }
    void Show(const std::string& pageAddress, const FilterRecord& record) override;
    void Clear() override;
    // The element shown, in the text form of the text renderer.
    std::string Text() const override { return text_; }

    // The control and its guard while the renderer is created.
    IWebBrowser2* Browser() const { return browser_.Get(); }
    CPreviewGuard* Guard() const { return guard_.Get(); }

private:
    static LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Resize();
    void OnDocumentComplete();
    void Load();
    void ShowOwnImage();
    void Release();

    HWND host_ = nullptr;
    ie::ComRef<CPreviewSite> site_;
    ie::ComRef<CPreviewGuard> guard_;
    ie::ComRef<IOleObject> object_;
    ie::ComRef<IWebBrowser2> browser_;
    ie::ComRef<IOleInPlaceObject> inPlace_;
    ie::ComRef<IConnectionPoint> events_;
    DWORD cookie_ = 0;
    bool ready_ = false;  // the blank page has loaded
    std::optional<std::string> pending_;
    std::string imageSource_;
    std::string text_;
};

std::unique_ptr<ElementRenderer> MakeHtmlRenderer();

}  // namespace qm::win
