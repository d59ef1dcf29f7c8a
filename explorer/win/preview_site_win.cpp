#include "explorer/win/preview_site_win.h"

#include <idispids.h>
#include <mshtmdid.h>
#include <olectl.h>
#include <urlmon.h>

#include "explorer/win/preview_security_win.h"

namespace qm::win {

DWORD PreviewDownloadControl() {
    return DLCTL_NO_SCRIPTS | DLCTL_NO_JAVA | DLCTL_NO_RUNACTIVEXCTLS | DLCTL_NO_DLACTIVEXCTLS |
           DLCTL_NO_BEHAVIORS | DLCTL_NO_FRAMEDOWNLOAD | DLCTL_NO_CLIENTPULL | DLCTL_DLIMAGES |
           DLCTL_FORCEOFFLINE | DLCTL_SILENT;
}

DWORD PreviewHostFlags() {
    // No border, no help menu, no script before activation; the content gets
    // the local machine lockdown and no unknown protocol handler is asked.
    return DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_DISABLE_HELP_MENU |
           DOCHOSTUIFLAG_DISABLE_SCRIPT_INACTIVE | DOCHOSTUIFLAG_LOCAL_MACHINE_ACCESS_CHECK |
           DOCHOSTUIFLAG_DISABLE_UNTRUSTEDPROTOCOL;
}

CPreviewSite* CPreviewSite::Create(HWND window) {
    return new CPreviewSite(window);
}

HRESULT CPreviewSite::QueryInterface(REFIID riid, void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    *object = nullptr;
    if (riid == IID_IUnknown || riid == IID_IOleClientSite) {
        *object = static_cast<IOleClientSite*>(this);
    } else if (riid == IID_IOleWindow || riid == IID_IOleInPlaceSite) {
        *object = static_cast<IOleInPlaceSite*>(this);
    } else if (riid == IID_IOleInPlaceUIWindow || riid == IID_IOleInPlaceFrame) {
        *object = static_cast<IOleInPlaceFrame*>(this);
    } else if (riid == IID_IDocHostUIHandler) {
        *object = static_cast<IDocHostUIHandler*>(this);
    } else if (riid == IID_IServiceProvider) {
        *object = static_cast<IServiceProvider*>(this);
    } else if (riid == IID_IDispatch) {
        *object = static_cast<IDispatch*>(this);
    } else {
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG CPreviewSite::AddRef() {
    return static_cast<ULONG>(::InterlockedIncrement(&refs_));
}

ULONG CPreviewSite::Release() {
    const LONG left = ::InterlockedDecrement(&refs_);
    if (left == 0) {
        delete this;
    }
    return static_cast<ULONG>(left);
}

// IOleClientSite: the control is never saved, named or contained.
HRESULT CPreviewSite::SaveObject() { return E_NOTIMPL; }
HRESULT CPreviewSite::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
    if (moniker != nullptr) {
        *moniker = nullptr;
    }
    return E_NOTIMPL;
}
HRESULT CPreviewSite::GetContainer(IOleContainer** container) {
    if (container != nullptr) {
        *container = nullptr;
    }
    return E_NOINTERFACE;
}
HRESULT CPreviewSite::ShowObject() { return S_OK; }
HRESULT CPreviewSite::OnShowWindow(BOOL) { return S_OK; }
HRESULT CPreviewSite::RequestNewObjectLayout() { return E_NOTIMPL; }

HRESULT CPreviewSite::GetWindow(HWND* window) {
    if (window == nullptr) {
        return E_POINTER;
    }
    *window = window_;
    return S_OK;
}
HRESULT CPreviewSite::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

// IOleInPlaceSite: activation in place inside the host window, filling it.
HRESULT CPreviewSite::CanInPlaceActivate() { return S_OK; }
HRESULT CPreviewSite::OnInPlaceActivate() { return S_OK; }
HRESULT CPreviewSite::OnUIActivate() { return S_OK; }

HRESULT CPreviewSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc,
                                       LPRECT position, LPRECT clip,
                                       LPOLEINPLACEFRAMEINFO info) {
    if (frame == nullptr || doc == nullptr || position == nullptr || clip == nullptr ||
        info == nullptr) {
        return E_POINTER;
    }
    *frame = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    *doc = nullptr;
    ::GetClientRect(window_, position);
    *clip = *position;
    info->fMDIApp = FALSE;
    info->hwndFrame = window_;
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
}

HRESULT CPreviewSite::Scroll(SIZE) { return S_OK; }
HRESULT CPreviewSite::OnUIDeactivate(BOOL) { return S_OK; }
HRESULT CPreviewSite::OnInPlaceDeactivate() { return S_OK; }
HRESULT CPreviewSite::DiscardUndoState() { return S_OK; }
HRESULT CPreviewSite::DeactivateAndUndo() { return S_OK; }
HRESULT CPreviewSite::OnPosRectChange(LPCRECT) { return S_OK; }

HRESULT CPreviewSite::GetBorder(LPRECT) { return INPLACE_E_NOTOOLSPACE; }
HRESULT CPreviewSite::RequestBorderSpace(LPCBORDERWIDTHS) { return INPLACE_E_NOTOOLSPACE; }
HRESULT CPreviewSite::SetBorderSpace(LPCBORDERWIDTHS) { return S_OK; }
HRESULT CPreviewSite::SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) { return S_OK; }
HRESULT CPreviewSite::InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) { return S_OK; }
HRESULT CPreviewSite::SetMenu(HMENU, HOLEMENU, HWND) { return S_OK; }
HRESULT CPreviewSite::RemoveMenus(HMENU) { return S_OK; }
HRESULT CPreviewSite::SetStatusText(LPCOLESTR) { return S_OK; }
HRESULT CPreviewSite::EnableModeless(BOOL) { return S_OK; }
HRESULT CPreviewSite::TranslateAccelerator(LPMSG, WORD) { return S_FALSE; }

// IDocHostUIHandler
HRESULT CPreviewSite::ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) {
    return S_OK;  // handled: no menu (it would offer View Source, Refresh, Open...)
}

HRESULT CPreviewSite::GetHostInfo(DOCHOSTUIINFO* info) {
    if (info == nullptr || info->cbSize < sizeof(DOCHOSTUIINFO)) {
        return E_INVALIDARG;
    }
    info->dwFlags = PreviewHostFlags();
    info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
    info->pchHostCss = nullptr;
    info->pchHostNS = nullptr;
    return S_OK;
}

HRESULT CPreviewSite::ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*,
                             IOleInPlaceFrame*, IOleInPlaceUIWindow*) {
    return S_OK;  // the host shows no tools of the engine
}
HRESULT CPreviewSite::HideUI() { return S_OK; }
HRESULT CPreviewSite::UpdateUI() { return S_OK; }
HRESULT CPreviewSite::OnDocWindowActivate(BOOL) { return S_OK; }
HRESULT CPreviewSite::OnFrameWindowActivate(BOOL) { return S_OK; }
HRESULT CPreviewSite::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) { return S_OK; }
HRESULT CPreviewSite::TranslateAccelerator(LPMSG, const GUID*, DWORD) { return S_FALSE; }

HRESULT CPreviewSite::GetOptionKeyPath(LPOLESTR* key, DWORD) {
    if (key != nullptr) {
        *key = nullptr;
    }
    return E_NOTIMPL;
}

HRESULT CPreviewSite::GetDropTarget(IDropTarget*, IDropTarget** replacement) {
    if (replacement != nullptr) {
        *replacement = nullptr;
    }
    return E_NOTIMPL;
}

HRESULT CPreviewSite::GetExternal(IDispatch** external) {
    if (external != nullptr) {
        *external = nullptr;
    }
    return S_FALSE;  // window.external is null
}

HRESULT CPreviewSite::TranslateUrl(DWORD, LPWSTR, LPWSTR* out) {
    if (out != nullptr) {
        *out = nullptr;
    }
    return S_FALSE;
}

HRESULT CPreviewSite::FilterDataObject(IDataObject*, IDataObject** out) {
    if (out != nullptr) {
        *out = nullptr;
    }
    return S_FALSE;
}

HRESULT CPreviewSite::QueryService(REFGUID service, REFIID riid, void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    *object = nullptr;
    if (service != SID_SInternetSecurityManager) {
        return E_NOINTERFACE;
    }
    CPreviewSecurity* security = CPreviewSecurity::Create();
    const HRESULT hr = security->QueryInterface(riid, object);
    security->Release();
    return hr;
}

// IDispatch
HRESULT CPreviewSite::GetTypeInfoCount(UINT* count) {
    if (count == nullptr) {
        return E_POINTER;
    }
    *count = 0;
    return S_OK;
}

HRESULT CPreviewSite::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info != nullptr) {
        *info = nullptr;
    }
    return E_NOTIMPL;
}

HRESULT CPreviewSite::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
    return E_NOTIMPL;
}

HRESULT CPreviewSite::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result,
                             EXCEPINFO*, UINT*) {
    if ((flags & DISPATCH_PROPERTYGET) == 0) {
        return DISP_E_MEMBERNOTFOUND;
    }
    if (result == nullptr) {
        return E_POINTER;
    }
    ::VariantInit(result);
    switch (id) {
        case DISPID_AMBIENT_DLCONTROL:
            V_VT(result) = VT_I4;
            V_I4(result) = static_cast<LONG>(PreviewDownloadControl());
            return S_OK;
        case DISPID_AMBIENT_USERMODE:  // browse, never edit
            V_VT(result) = VT_BOOL;
            V_BOOL(result) = VARIANT_TRUE;
            return S_OK;
        case DISPID_AMBIENT_SILENT:  // no script error or security dialogs
        case DISPID_AMBIENT_OFFLINEIFNOTCONNECTED:
            V_VT(result) = VT_BOOL;
            V_BOOL(result) = VARIANT_TRUE;
            return S_OK;
        default:
            return DISP_E_MEMBERNOTFOUND;
    }
}

}  // namespace qm::win
