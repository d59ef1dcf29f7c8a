#include "browser/ie/event_sinks.h"

#include <exdisp.h>
#include <exdispid.h>
#include <ocidl.h>

#include <new>
#include <utility>

namespace qm::ie {

namespace {

// The shell's cookie: the first (only) declared parameter, which is the last
// entry of rgvarg. 0 when it is missing or not a number.
long ReadCookie(const DISPPARAMS* params) {
    if (!params || params->cArgs < 1 || !params->rgvarg) {
        return 0;
    }
    const VARIANT& arg = params->rgvarg[params->cArgs - 1];
    if (arg.vt == VT_I4) {
        return arg.lVal;
    }
    if (arg.vt == (VT_I4 | VT_BYREF) && arg.plVal) {
        return *arg.plVal;
    }
    VARIANT copy;
    VariantInit(&copy);
    long cookie = 0;
    if (SUCCEEDED(VariantChangeType(&copy, const_cast<VARIANT*>(&arg), 0, VT_I4))) {
        cookie = copy.lVal;
    }
    VariantClear(&copy);
    return cookie;
}

}  // namespace

DispatchEventSink::DispatchEventSink(const IID& eventIid, std::shared_ptr<BrowserEventSink> target)
    : eventIid_(eventIid), target_(std::move(target)) {}

HRESULT STDMETHODCALLTYPE DispatchEventSink::QueryInterface(REFIID riid, void** object) {
    if (!object) {
        return E_POINTER;
    }
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
        IsEqualIID(riid, eventIid_)) {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE DispatchEventSink::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&refs_));
}

ULONG STDMETHODCALLTYPE DispatchEventSink::Release() {
    const LONG refs = InterlockedDecrement(&refs_);
    if (refs == 0) {
        delete this;
    }
    return static_cast<ULONG>(refs);
}

HRESULT STDMETHODCALLTYPE DispatchEventSink::GetTypeInfoCount(UINT* count) {
    if (!count) {
        return E_INVALIDARG;
    }
    *count = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE DispatchEventSink::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) {
        *info = nullptr;
    }
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE DispatchEventSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID,
                                                           DISPID* ids) {
    if (ids) {
        for (UINT i = 0; i < count; ++i) {
            ids[i] = DISPID_UNKNOWN;
        }
    }
    return DISP_E_UNKNOWNNAME;
}

HRESULT STDMETHODCALLTYPE DispatchEventSink::Invoke(DISPID id, REFIID riid, LCID, WORD,
                                                    DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                                    UINT*) {
    if (!IsEqualIID(riid, IID_NULL)) {
        return DISP_E_UNKNOWNINTERFACE;
    }
    int code = 0;
    long param = 0;
    if (!Translate(id, params, code, param)) {
        return DISP_E_MEMBERNOTFOUND;
    }
    if (!target_) {
        return S_OK;
    }
    try {
        target_->OnBrowserEvent(code, param);
    } catch (...) {
        // Nothing may escape into the caller's COM stack.
        return E_FAIL;
    }
    return S_OK;
}

CWebBrowserEvent::CWebBrowserEvent(std::shared_ptr<BrowserEventSink> target)
    : DispatchEventSink(DIID_DWebBrowserEvents2, std::move(target)) {}

ComRef<CWebBrowserEvent> CWebBrowserEvent::Create(std::shared_ptr<BrowserEventSink> target) {
    return ComRef<CWebBrowserEvent>::Attach(new (std::nothrow) CWebBrowserEvent(std::move(target)));
}

bool CWebBrowserEvent::Translate(DISPID id, const DISPPARAMS*, int& code, long& param) const {
    param = 0;
    switch (id) {
        case DISPID_BEFORENAVIGATE2:
            code = kEventBeforeNavigate;
            return true;
        case DISPID_NAVIGATECOMPLETE2:
            code = kEventNavigateComplete;
            return true;
        case DISPID_DOCUMENTCOMPLETE:
            code = kEventDocumentComplete;
            return true;
        case DISPID_ONQUIT:
            code = kEventQuit;
            return true;
        case DISPID_NEWWINDOW2:
            code = kEventNewWindow;
            return true;
        default:
            return false;
    }
}

CShellWindowsEvents::CShellWindowsEvents(std::shared_ptr<BrowserEventSink> target)
    : DispatchEventSink(DIID_DShellWindowsEvents, std::move(target)) {}

ComRef<CShellWindowsEvents> CShellWindowsEvents::Create(std::shared_ptr<BrowserEventSink> target) {
    return ComRef<CShellWindowsEvents>::Attach(new (std::nothrow)
                                                   CShellWindowsEvents(std::move(target)));
}

bool CShellWindowsEvents::Translate(DISPID id, const DISPPARAMS* params, int& code,
                                    long& param) const {
    switch (id) {
        case DISPID_WINDOWREGISTERED:
            code = kEventWindowRegistered;
            break;
        case DISPID_WINDOWREVOKED:
            code = kEventWindowRevoked;
            break;
        default:
            return false;
    }
    param = ReadCookie(params);
    return true;
}

bool ConnectEvents(IUnknown* source, const IID& eventIid, IUnknown* sink, DWORD& cookie) {
    if (!source || !sink) {
        return false;
    }
    ComRef<IConnectionPointContainer> container =
        ComRef<IUnknown>::Share(source).As<IConnectionPointContainer>();
    if (!container) {
        return false;
    }
    ComRef<IConnectionPoint> point;
    if (FAILED(container->FindConnectionPoint(eventIid, point.Put())) || !point) {
        return false;
    }
    DWORD made = 0;
    if (FAILED(point->Advise(sink, &made))) {
        return false;
    }
    cookie = made;
    return true;
}

bool DisconnectEvents(IUnknown* source, const IID& eventIid, DWORD cookie) {
    if (!source) {
        return false;
    }
    ComRef<IConnectionPointContainer> container =
        ComRef<IUnknown>::Share(source).As<IConnectionPointContainer>();
    if (!container) {
        return false;
    }
    ComRef<IConnectionPoint> point;
    if (FAILED(container->FindConnectionPoint(eventIid, point.Put())) || !point) {
        return false;
    }
    return SUCCEEDED(point->Unadvise(cookie));
}

}  // namespace qm::ie
