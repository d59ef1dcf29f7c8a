// The preview's browser-control host, tested without an HTML engine (this Wine
// has no Gecko): what the container answers the engine (download control,
// user mode, host flags, the context menu, the security manager's policy) and
// how the event sink keeps the control on its blank page, called as the
// engine and the control call them.
#include <windows.h>

#include <exdisp.h>
#include <exdispid.h>
#include <idispids.h>
#include <mshtmdid.h>
#include <mshtmhst.h>
#include <olectl.h>
#include <servprov.h>
#include <urlmon.h>

#include <gtest/gtest.h>

#include <ios>
#include <string>

#include "explorer/win/preview_guard_win.h"
#include "explorer/win/preview_security_win.h"
#include "explorer/win/preview_site_win.h"
#include "platform/win/utf16_win.h"

namespace qm::win {
namespace {

// A released-on-scope reference.
template <class T>
struct Held {
    T* p = nullptr;
    ~Held() {
        if (p != nullptr) {
            p->Release();
        }
    }
    T* operator->() const { return p; }
};

template <class T>
Held<T> Query(IUnknown* object, REFIID iid) {
    Held<T> held;
    object->QueryInterface(iid, reinterpret_cast<void**>(&held.p));
    return held;
}

class PreviewHost : public ::testing::Test {
protected:
    void SetUp() override {
        window_ = ::CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 320, 200,
                                    nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(window_, nullptr);
        site_ = CPreviewSite::Create(window_);
    }
    void TearDown() override {
        site_->Release();
        ::DestroyWindow(window_);
    }

    // An ambient property as the engine reads it.
    HRESULT Ambient(DISPID id, VARIANT& value, WORD flags = DISPATCH_PROPERTYGET) {
        Held<IDispatch> ambient = Query<IDispatch>(static_cast<IOleClientSite*>(site_),
                                                   IID_IDispatch);
        EXPECT_NE(ambient.p, nullptr);
        DISPPARAMS none{};
        ::VariantInit(&value);
        return ambient->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &none, &value, nullptr,
                               nullptr);
    }

    HWND window_ = nullptr;
    CPreviewSite* site_ = nullptr;
};

TEST_F(PreviewHost, TheDownloadControlRunsNothingAndFetchesNothing) {
    VARIANT value;
    ASSERT_EQ(Ambient(DISPID_AMBIENT_DLCONTROL, value), S_OK);
    ASSERT_EQ(V_VT(&value), VT_I4);
    const DWORD flags = static_cast<DWORD>(V_I4(&value));
    struct Flag {
        DWORD bit;
        bool set;
        const char* why;
    };
    const Flag table[] = {
        {DLCTL_NO_SCRIPTS, true, "no script, inline handlers included"},
        {DLCTL_NO_JAVA, true, "no applet"},
        {DLCTL_NO_RUNACTIVEXCTLS, true, "no plug-in object runs"},
        {DLCTL_NO_DLACTIVEXCTLS, true, "no plug-in object is downloaded"},
        {DLCTL_NO_BEHAVIORS, true, "no binary or scripted behaviour"},
        {DLCTL_NO_FRAMEDOWNLOAD, true, "frames stay empty"},
        {DLCTL_NO_CLIENTPULL, true, "no meta refresh"},
        {DLCTL_FORCEOFFLINE, true, "everything from the cache, nothing from the network"},
        {DLCTL_SILENT, true, "no dialogs"},
        {DLCTL_DLIMAGES, true, "cached images of the advert show"},
        {DLCTL_VIDEOS, false, "no video"},
        {DLCTL_BGSOUNDS, false, "no background sound"},
        {DLCTL_RESYNCHRONIZE, false, "never goes to the server"},
        {DLCTL_PRAGMA_NO_CACHE, false, "never bypasses the cache"},
        {DLCTL_DOWNLOADONLY, false, "the page is shown"},
    };
    for (const Flag& f : table) {
        EXPECT_EQ((flags & f.bit) != 0, f.set) << f.why;
    }

    ASSERT_EQ(Ambient(DISPID_AMBIENT_USERMODE, value), S_OK);
    EXPECT_EQ(V_VT(&value), VT_BOOL);
    EXPECT_EQ(V_BOOL(&value), VARIANT_TRUE);
    ASSERT_EQ(Ambient(DISPID_AMBIENT_SILENT, value), S_OK);
    EXPECT_EQ(V_BOOL(&value), VARIANT_TRUE);
    // What the site does not define, and calls that are not property reads.
    EXPECT_EQ(Ambient(DISPID_AMBIENT_BACKCOLOR, value), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(Ambient(DISPID_AMBIENT_DLCONTROL, value, DISPATCH_METHOD), DISP_E_MEMBERNOTFOUND);
    Held<IDispatch> ambient = Query<IDispatch>(static_cast<IOleClientSite*>(site_), IID_IDispatch);
    DISPPARAMS none{};
    EXPECT_EQ(ambient->Invoke(DISPID_AMBIENT_DLCONTROL, IID_NULL, 0, DISPATCH_PROPERTYGET, &none,
                              nullptr, nullptr, nullptr),
              E_POINTER);
}

TEST_F(PreviewHost, NoContextMenuNoBorderNoHelpAndOneObjectBehindEveryInterface) {
    Held<IDocHostUIHandler> handler =
        Query<IDocHostUIHandler>(static_cast<IOleClientSite*>(site_), IID_IDocHostUIHandler);
    ASSERT_NE(handler.p, nullptr);
    POINT point{10, 10};
    for (DWORD menu : {CONTEXT_MENU_DEFAULT, CONTEXT_MENU_IMAGE, CONTEXT_MENU_CONTROL,
                       CONTEXT_MENU_TABLE, CONTEXT_MENU_TEXTSELECT, CONTEXT_MENU_ANCHOR}) {
        EXPECT_EQ(handler->ShowContextMenu(menu, &point, nullptr, nullptr), S_OK) << menu;
    }
    DOCHOSTUIINFO info{};
    info.cbSize = sizeof(info);
    ASSERT_EQ(handler->GetHostInfo(&info), S_OK);
    EXPECT_NE(info.dwFlags & DOCHOSTUIFLAG_NO3DBORDER, 0u);
    EXPECT_NE(info.dwFlags & DOCHOSTUIFLAG_DISABLE_HELP_MENU, 0u);
    EXPECT_NE(info.dwFlags & DOCHOSTUIFLAG_DISABLE_SCRIPT_INACTIVE, 0u);
    EXPECT_NE(info.dwFlags & DOCHOSTUIFLAG_LOCAL_MACHINE_ACCESS_CHECK, 0u);
    EXPECT_NE(info.dwFlags & DOCHOSTUIFLAG_DISABLE_UNTRUSTEDPROTOCOL, 0u);
    EXPECT_EQ(info.dwFlags & DOCHOSTUIFLAG_OPENNEWWIN, 0u);
    info.cbSize = 4;
    EXPECT_EQ(handler->GetHostInfo(&info), E_INVALIDARG);
    IDispatch* external = reinterpret_cast<IDispatch*>(1);
    EXPECT_EQ(handler->GetExternal(&external), S_FALSE);
    EXPECT_EQ(external, nullptr);

    Held<IUnknown> identity = Query<IUnknown>(static_cast<IOleClientSite*>(site_), IID_IUnknown);
    for (REFIID iid : {IID_IOleClientSite, IID_IOleWindow, IID_IOleInPlaceSite,
                       IID_IOleInPlaceUIWindow, IID_IOleInPlaceFrame, IID_IDocHostUIHandler,
                       IID_IServiceProvider, IID_IDispatch}) {
        Held<IUnknown> face = Query<IUnknown>(static_cast<IOleClientSite*>(site_), iid);
        ASSERT_NE(face.p, nullptr);
        EXPECT_EQ(Query<IUnknown>(face.p, IID_IUnknown).p, identity.p);
    }
    EXPECT_EQ(Query<IUnknown>(static_cast<IOleClientSite*>(site_), IID_IOleContainer).p, nullptr);

    // In place: the control fills the host window, which is also its frame.
    Held<IOleInPlaceSite> inPlace =
        Query<IOleInPlaceSite>(static_cast<IOleClientSite*>(site_), IID_IOleInPlaceSite);
    Held<IOleInPlaceFrame> frame;
    IOleInPlaceUIWindow* doc = reinterpret_cast<IOleInPlaceUIWindow*>(1);
    RECT position{}, clip{}, client{};
    OLEINPLACEFRAMEINFO frameInfo{};
    frameInfo.cb = sizeof(frameInfo);
    ASSERT_EQ(inPlace->GetWindowContext(&frame.p, &doc, &position, &clip, &frameInfo), S_OK);
    ::GetClientRect(window_, &client);
    EXPECT_NE(frame.p, nullptr);
    EXPECT_EQ(doc, nullptr);
    EXPECT_TRUE(::EqualRect(&position, &client) && ::EqualRect(&clip, &client));
    EXPECT_EQ(frameInfo.hwndFrame, window_);
    HWND shown = nullptr;
    ASSERT_EQ(inPlace->GetWindow(&shown), S_OK);
    EXPECT_EQ(shown, window_);
}

TEST_F(PreviewHost, TheSecurityManagerSaysNoToWhatTheDownloadControlShutsOff) {
    Held<IServiceProvider> services =
        Query<IServiceProvider>(static_cast<IOleClientSite*>(site_), IID_IServiceProvider);
    ASSERT_NE(services.p, nullptr);
    Held<IInternetSecurityManager> security;
    ASSERT_EQ(services->QueryService(SID_SInternetSecurityManager, IID_IInternetSecurityManager,
                                     reinterpret_cast<void**>(&security.p)),
              S_OK);
    ASSERT_NE(security.p, nullptr);
    struct Action {
        DWORD action;
        bool refused;
    };
    const Action table[] = {
        {URLACTION_SCRIPT_RUN, true},
        {URLACTION_SCRIPT_PASTE, true},
        {URLACTION_CROSS_DOMAIN_DATA, true},
        {URLACTION_ACTIVEX_RUN, true},
        {URLACTION_DOWNLOAD_SIGNED_ACTIVEX, true},
        {URLACTION_JAVA_PERMISSIONS, true},
        {URLACTION_HTML_SUBMIT_FORMS, true},
        {URLACTION_HTML_FONT_DOWNLOAD, true},
        {URLACTION_HTML_SUBFRAME_NAVIGATE, true},
        {URLACTION_HTML_META_REFRESH, true},
        {URLACTION_SHELL_FILE_DOWNLOAD, true},
        {URLACTION_SHELL_VERB, true},
        {URLACTION_CREDENTIALS_USE, true},
        {0x2000, true},  // behaviours
        {URLACTION_HTML_MIXED_CONTENT, false},
        {URLACTION_AUTHENTICATE_CLIENT, false},
        {URLACTION_FEATURE_MIME_SNIFFING, false},
    };
    for (const Action& a : table) {
        DWORD policy = 0xABCD;
        const HRESULT hr = security->ProcessUrlAction(
            L"http://ads.example/a.htm", a.action, reinterpret_cast<BYTE*>(&policy),
            sizeof(policy), nullptr, 0, 0, 0);
        EXPECT_EQ(hr, a.refused ? S_FALSE : INET_E_DEFAULT_ACTION) << std::hex << a.action;
        EXPECT_EQ(policy, a.refused ? static_cast<DWORD>(URLPOLICY_DISALLOW) : 0xABCDu)
            << std::hex << a.action;
        EXPECT_EQ(PreviewRefusesUrlAction(a.action), a.refused);
    }
    // A policy buffer too small to hold the answer is not written; still no.
    BYTE small[2] = {7, 7};
    EXPECT_EQ(security->ProcessUrlAction(nullptr, URLACTION_SCRIPT_RUN, small, sizeof(small),
                                         nullptr, 0, 0, 0),
              S_FALSE);
    EXPECT_EQ(small[0], 7);
    // The site offers no other service.
    IUnknown* other = reinterpret_cast<IUnknown*>(1);
    EXPECT_EQ(services->QueryService(IID_IOleClientSite, IID_IUnknown,
                                     reinterpret_cast<void**>(&other)),
              E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);
}

// A DWebBrowserEvents2 call as the control makes it: arguments right to left.
struct Event {
    VARIANT args[7];
    VARIANT url;
    VARIANT_BOOL cancel = VARIANT_FALSE;
    DISPPARAMS params{};

    explicit Event(UINT count, const wchar_t* address = L"") {
        for (VARIANT& v : args) {
            ::VariantInit(&v);
        }
        ::VariantInit(&url);
        V_VT(&url) = VT_BSTR;
        V_BSTR(&url) = ::SysAllocString(address);
        params.cArgs = count;
        params.rgvarg = args;
    }
    ~Event() { ::VariantClear(&url); }
    // The Cancel flag at position index from the left.
    void CancelAt(UINT index) {
        V_VT(&args[params.cArgs - 1 - index]) = VT_BYREF | VT_BOOL;
        V_BOOLREF(&args[params.cArgs - 1 - index]) = &cancel;
    }
    HRESULT Fire(IDispatch* sink, DISPID id) {
        return sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr,
                            nullptr, nullptr);
    }
};

HRESULT BeforeNavigate(CPreviewGuard* guard, const wchar_t* address, VARIANT_BOOL& cancel) {
    Event event(7, address);
    V_VT(&event.args[5]) = VT_BYREF | VT_VARIANT;  // URL
    V_VARIANTREF(&event.args[5]) = &event.url;
    event.CancelAt(6);
    const HRESULT hr = event.Fire(guard, DISPID_BEFORENAVIGATE2);
    cancel = event.cancel;
    return hr;
}

TEST(PreviewGuard, OnlyTheBlankPageItWasToldOfGetsThrough) {
    int completes = 0;
    CPreviewGuard* guard = CPreviewGuard::Create([&] { ++completes; });
    struct Step {
        bool allow;
        const wchar_t* address;
        bool cancelled;
    };
    const Step steps[] = {
        {true, L"about:blank", false},               // the control's first page
        {false, L"http://ads.example/click?id=1", true},  // a link of the advert
        {false, L"about:blank", true},               // no second blank page unasked
        {true, L"http://ads.example/", true},        // an allowance is for the blank page only
        {false, L"about:blank", true},               // ...and it was used up
        {false, L"javascript:alert(1)", true},
        {false, L"file:///C:/windows/win.ini", true},
        {true, L"ABOUT:BLANK", false},
        {false, L"", true},
    };
    int refused = 0;
    for (const Step& s : steps) {
        if (s.allow) {
            guard->AllowBlankPage();
        }
        VARIANT_BOOL cancel = VARIANT_FALSE;
        ASSERT_EQ(BeforeNavigate(guard, s.address, cancel), S_OK);
        EXPECT_EQ(cancel == VARIANT_TRUE, s.cancelled) << Narrow(s.address);
        refused += s.cancelled ? 1 : 0;
    }
    EXPECT_EQ(guard->Refused(), refused);

    Event complete(2, L"about:blank");
    EXPECT_EQ(complete.Fire(guard, DISPID_DOCUMENTCOMPLETE), S_OK);
    EXPECT_EQ(completes, 1);
    guard->Forget();
    EXPECT_EQ(complete.Fire(guard, DISPID_DOCUMENTCOMPLETE), S_OK);
    EXPECT_EQ(completes, 1);
    guard->Release();
}

TEST(PreviewGuard, NewWindowsAndDownloadsAreRefusedAndMalformedEventsAreHarmless) {
    CPreviewGuard* guard = CPreviewGuard::Create(nullptr);
    EXPECT_EQ(Query<IUnknown>(guard, DIID_DWebBrowserEvents2).p, static_cast<IUnknown*>(guard));
    struct Refusal {
        DISPID id;
        UINT count;
        UINT cancelAt;
    };
    for (const Refusal& r : {Refusal{DISPID_NEWWINDOW2, 2, 1}, Refusal{DISPID_NEWWINDOW3, 5, 1},
                             Refusal{DISPID_FILEDOWNLOAD, 2, 1}}) {
        Event event(r.count);
        event.CancelAt(r.cancelAt);
        EXPECT_EQ(event.Fire(guard, r.id), S_OK) << r.id;
        EXPECT_EQ(event.cancel, VARIANT_TRUE) << r.id;
    }
    EXPECT_EQ(guard->Refused(), 3);

    // Wrong counts, a Cancel that is not a reference, no parameters at all:
    // an error, nothing written, nothing counted.
    Event shortEvent(3, L"http://x/");
    EXPECT_EQ(shortEvent.Fire(guard, DISPID_BEFORENAVIGATE2), DISP_E_BADPARAMCOUNT);
    Event plainCancel(2);
    V_VT(&plainCancel.args[0]) = VT_BOOL;
    V_BOOL(&plainCancel.args[0]) = VARIANT_FALSE;
    EXPECT_EQ(plainCancel.Fire(guard, DISPID_NEWWINDOW2), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(V_BOOL(&plainCancel.args[0]), VARIANT_FALSE);
    EXPECT_EQ(guard->Invoke(DISPID_NEWWINDOW3, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr,
                            nullptr, nullptr),
              DISP_E_BADPARAMCOUNT);
    guard->AllowBlankPage();
    Event notAText(7);
    V_VT(&notAText.args[5]) = VT_I4;  // URL of the wrong type: refused
    notAText.CancelAt(6);
    EXPECT_EQ(notAText.Fire(guard, DISPID_BEFORENAVIGATE2), S_OK);
    EXPECT_EQ(notAText.cancel, VARIANT_TRUE);
    EXPECT_EQ(guard->Refused(), 4);
    guard->Release();
}

}  // namespace
}  // namespace qm::win
