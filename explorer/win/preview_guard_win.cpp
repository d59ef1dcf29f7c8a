#include "explorer/win/preview_guard_win.h"

#include <exdisp.h>
#include <exdispid.h>

#include <cwchar>

namespace qm::win {

namespace {

// The argument index-th from the left of an event with count arguments
// (DISPPARAMS holds them from the right); null when the event has fewer.
VARIANT* Argument(DISPPARAMS* params, UINT count, UINT index) {
    if (params == nullptr || params->cArgs != count || params->rgvarg == nullptr) {
        return nullptr;
    }
    return &params->rgvarg[count - 1 - index];
}

// Sets a VT_BYREF | VT_BOOL Cancel argument; false when it is not one.
bool SetCancel(VARIANT* cancel) {
    if (cancel == nullptr || V_VT(cancel) != (VT_BYREF | VT_BOOL) || V_BOOLREF(cancel) == nullptr) {
        return false;
    }
    *V_BOOLREF(cancel) = VARIANT_TRUE;
    return true;
}

const wchar_t* UrlText(const VARIANT* url) {
    if (url == nullptr) {
        return nullptr;
    }
    if (V_VT(url) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(url) != nullptr) {
        url = V_VARIANTREF(url);
    }
    if (V_VT(url) == VT_BSTR) {
        return V_BSTR(url) != nullptr ? V_BSTR(url) : L"";
    }
    return nullptr;
}

}  // namespace

CPreviewGuard* CPreviewGuard::Create(std::function<void()> onComplete) {
    return new CPreviewGuard(std::move(onComplete));
}

HRESULT CPreviewGuard::QueryInterface(REFIID riid, void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == DIID_DWebBrowserEvents2) {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG CPreviewGuard::AddRef() {
    return static_cast<ULONG>(::InterlockedIncrement(&refs_));
}

ULONG CPreviewGuard::Release() {
    const LONG left = ::InterlockedDecrement(&refs_);
    if (left == 0) {
        delete this;
    }
    return static_cast<ULONG>(left);
}

HRESULT CPreviewGuard::GetTypeInfoCount(UINT* count) {
    if (count == nullptr) {
        return E_POINTER;
    }
    *count = 0;
    return S_OK;
}

HRESULT CPreviewGuard::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info != nullptr) {
        *info = nullptr;
    }
    return E_NOTIMPL;
}

HRESULT CPreviewGuard::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
    return E_NOTIMPL;
}

bool CPreviewGuard::Admit(const VARIANT* url) {
    const bool allowed = blankAllowed_;
    blankAllowed_ = false;
    const wchar_t* text = UrlText(url);
    return allowed && text != nullptr && ::_wcsicmp(text, L"about:blank") == 0;
}

HRESULT CPreviewGuard::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                              EXCEPINFO*, UINT*) {
    VARIANT* cancel = nullptr;
    switch (id) {
        case DISPID_BEFORENAVIGATE2:  // (pDisp, URL, Flags, Frame, PostData, Headers, Cancel)
            cancel = Argument(params, 7, 6);
            if (cancel == nullptr) {
                return DISP_E_BADPARAMCOUNT;
            }
            if (Admit(Argument(params, 7, 1))) {
                return S_OK;
            }
            break;
        case DISPID_NEWWINDOW2:  // (ppDisp, Cancel)
        case DISPID_FILEDOWNLOAD:  // (ActiveDocument, Cancel)
            cancel = Argument(params, 2, 1);
            break;
        case DISPID_NEWWINDOW3:  // (ppDisp, Cancel, Flags, UrlContext, Url)
            cancel = Argument(params, 5, 1);
            break;
        case DISPID_DOCUMENTCOMPLETE:
            if (onComplete_) {
                onComplete_();
            }
            return S_OK;
        default:
            return S_OK;
    }
    if (cancel == nullptr) {
        return DISP_E_BADPARAMCOUNT;
    }
    if (!SetCancel(cancel)) {
        return DISP_E_TYPEMISMATCH;
    }
    ++refused_;
    return S_OK;
}

}  // namespace qm::win
