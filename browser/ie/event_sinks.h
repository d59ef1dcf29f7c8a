// The two COM event sinks: CWebBrowserEvent for a browser's
// DWebBrowserEvents2 and CShellWindowsEvents for the shell window
// collection's DShellWindowsEvents. Each turns the events it knows into a
// tracker event code and hands it to a BrowserEventSink; it never acts
// itself, ignores every parameter except the shell's cookie and never
// touches a Cancel flag. Windows only.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <memory>

#include "browser/browser_port.h"
#include "browser/ie/com_ref.h"

namespace qm::ie {

// An IDispatch that only receives calls. Reference counted; deletes itself
// on the last Release.
class DispatchEventSink : public IDispatch {
public:
    DispatchEventSink(const DispatchEventSink&) = delete;
    DispatchEventSink& operator=(const DispatchEventSink&) = delete;

    // IUnknown: IUnknown, IDispatch and the event interface.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IDispatch: no type information, no names; Invoke dispatches by DISPID.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags,
                                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                     UINT* argError) override;

    const IID& EventInterface() const { return eventIid_; }

protected:
    DispatchEventSink(const IID& eventIid, std::shared_ptr<BrowserEventSink> target);
    virtual ~DispatchEventSink() = default;

    // The tracker event for a DISPID; false for events this sink ignores.
    virtual bool Translate(DISPID id, const DISPPARAMS* params, int& code, long& param) const = 0;

private:
    LONG refs_ = 1;
    IID eventIid_;
    std::shared_ptr<BrowserEventSink> target_;
};

// DWebBrowserEvents2: BeforeNavigate2 250, NewWindow2 251, NavigateComplete2
// 252, OnQuit 253 and DocumentComplete 259; the parameter is always 0.
class CWebBrowserEvent final : public DispatchEventSink {
public:
    static ComRef<CWebBrowserEvent> Create(std::shared_ptr<BrowserEventSink> target);

private:
    explicit CWebBrowserEvent(std::shared_ptr<BrowserEventSink> target);
    bool Translate(DISPID id, const DISPPARAMS* params, int& code, long& param) const override;
};

// DShellWindowsEvents: WindowRegistered 200 and WindowRevoked 201, with the
// window's cookie as the parameter.
class CShellWindowsEvents final : public DispatchEventSink {
public:
    static ComRef<CShellWindowsEvents> Create(std::shared_ptr<BrowserEventSink> target);

private:
    explicit CShellWindowsEvents(std::shared_ptr<BrowserEventSink> target);
    bool Translate(DISPID id, const DISPPARAMS* params, int& code, long& param) const override;
};

// Connects sink to source's connection point for the event interface; the
// connection point keeps its own reference to the sink until disconnected.
bool ConnectEvents(IUnknown* source, const IID& eventIid, IUnknown* sink, DWORD& cookie);
// Ends a connection made by ConnectEvents.
bool DisconnectEvents(IUnknown* source, const IID& eventIid, DWORD cookie);

}  // namespace qm::ie
