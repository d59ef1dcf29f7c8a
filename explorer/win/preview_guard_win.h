// The preview's DWebBrowserEvents2 sink, which keeps the browser control on
// the one blank page it was given. The control loads "about:blank" once; the
// markup is then written into that page from memory. Every other navigation
// (a click on a link of the advert, a form, a meta refresh, a frame, a drop,
// a script the engine ran despite everything) is cancelled in
// BeforeNavigate2, and new windows and file downloads are cancelled too.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <functional>

namespace qm::win {

class CPreviewGuard final : public IDispatch {
public:
    // A new sink; one reference for the caller. onComplete runs on each
    // DocumentComplete of the top-level page.
    static CPreviewGuard* Create(std::function<void()> onComplete);
    CPreviewGuard(const CPreviewGuard&) = delete;
    CPreviewGuard& operator=(const CPreviewGuard&) = delete;

    // Lets the next navigation through when it goes to "about:blank"; any
    // other address still is refused, and the allowance is used up either way.
    void AllowBlankPage() { blankAllowed_ = true; }
    // Drops the DocumentComplete callback (its owner is going away).
    void Forget() { onComplete_ = nullptr; }
    // Navigations refused so far.
    int Refused() const { return refused_; }

    // IUnknown: IUnknown, IDispatch and DWebBrowserEvents2.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IDispatch: events by DISPID only.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags,
                                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                     UINT* argError) override;

private:
    explicit CPreviewGuard(std::function<void()> onComplete) : onComplete_(std::move(onComplete)) {}
    ~CPreviewGuard() = default;

    // BeforeNavigate2: whether to let the navigation to url go on.
    bool Admit(const VARIANT* url);

    LONG refs_ = 1;
    bool blankAllowed_ = false;
    int refused_ = 0;
    std::function<void()> onComplete_;
};

}  // namespace qm::win
