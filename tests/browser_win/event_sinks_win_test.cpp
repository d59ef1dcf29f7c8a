// The two event sinks: DISPIDs to tracker event codes, parameters left alone,
// COM reference counting and the IDispatch answers.
#include <gtest/gtest.h>

#include <windows.h>
#include <exdisp.h>
#include <exdispid.h>

#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>

#include "browser/ie/event_sinks.h"
#include "tests/browser_win/event_recorder.h"

namespace qm::ie {
namespace {

using test::EventRecorder;

IID ParseIid(const wchar_t* text) {
    IID iid{};
    EXPECT_EQ(S_OK, IIDFromString(const_cast<LPOLESTR>(text), &iid));
    return iid;
}

HRESULT InvokeSink(IDispatch* sink, DISPID id, DISPPARAMS* params) {
    return sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, params, nullptr,
                        nullptr, nullptr);
}

// The arguments a browser passes, in rgvarg order (last declared first).
struct BrowserEventArgs {
    VARIANT_BOOL cancel = VARIANT_FALSE;
    IDispatch* newWindow = nullptr;
    VARIANT url, flags, frame, postData, headers;
    std::vector<VARIANT> args;
    DISPPARAMS params{};

    BrowserEventArgs() {
        for (VARIANT* v : {&url, &flags, &frame, &postData, &headers}) {
            VariantInit(v);
        }
        url.vt = VT_BSTR;
        url.bstrVal = SysAllocString(L"http://ads.example/");
    }
    ~BrowserEventArgs() { VariantClear(&url); }

    VARIANT ByRefVariant(VARIANT* target) {
        VARIANT v;
        VariantInit(&v);
        v.vt = VT_VARIANT | VT_BYREF;
        v.pvarVal = target;
        return v;
    }
    VARIANT CancelArg() {
        VARIANT v;
        VariantInit(&v);
        v.vt = VT_BOOL | VT_BYREF;
        v.pboolVal = &cancel;
        return v;
    }
    VARIANT DispatchArg(IDispatch* browser) {
        VARIANT v;
        VariantInit(&v);
        v.vt = VT_DISPATCH;
        v.pdispVal = browser;
        return v;
    }

    // As declared: dispatch, five variant references, bool reference.
    DISPPARAMS* BeforeNavigate2(IDispatch* browser) {
        args = {CancelArg(),          ByRefVariant(&headers), ByRefVariant(&postData),
                ByRefVariant(&frame), ByRefVariant(&flags),   ByRefVariant(&url),
                DispatchArg(browser)};
        return Seal();
    }
    // dispatch reference, bool reference.
    DISPPARAMS* NewWindow2() {
        VARIANT ppDisp;
        VariantInit(&ppDisp);
        ppDisp.vt = VT_DISPATCH | VT_BYREF;
        ppDisp.ppdispVal = &newWindow;
        args = {CancelArg(), ppDisp};
        return Seal();
    }
    // dispatch, variant reference (NavigateComplete2 and DocumentComplete).
    DISPPARAMS* DispatchAndUrl(IDispatch* browser) {
        args = {ByRefVariant(&url), DispatchArg(browser)};
        return Seal();
    }
    DISPPARAMS* None() {
        args.clear();
        return Seal();
    }
    DISPPARAMS* Seal() {
        params.rgvarg = args.empty() ? nullptr : args.data();
        params.cArgs = static_cast<UINT>(args.size());
        params.rgdispidNamedArgs = nullptr;
        params.cNamedArgs = 0;
        return &params;
    }
};

DISPPARAMS CookieParams(VARIANT& arg) {
    DISPPARAMS params{};
    params.rgvarg = &arg;
    params.cArgs = 1;
    return params;
}

class WebBrowserSinkTest : public ::testing::Test {
protected:
    std::shared_ptr<EventRecorder> recorder = std::make_shared<EventRecorder>();
    ComRef<CWebBrowserEvent> sink = CWebBrowserEvent::Create(recorder);
};

TEST_F(WebBrowserSinkTest, EachBrowserEventBecomesItsTrackerCode) {
    BrowserEventArgs a;
    IDispatch* self = sink.Get();
    EXPECT_EQ(S_OK, InvokeSink(self, DISPID_BEFORENAVIGATE2, a.BeforeNavigate2(self)));
    EXPECT_EQ(S_OK, InvokeSink(self, DISPID_NAVIGATECOMPLETE2, a.DispatchAndUrl(self)));
    EXPECT_EQ(S_OK, InvokeSink(self, DISPID_DOCUMENTCOMPLETE, a.DispatchAndUrl(self)));
    EXPECT_EQ(S_OK, InvokeSink(self, DISPID_ONQUIT, a.None()));
    EXPECT_EQ(S_OK, InvokeSink(self, DISPID_NEWWINDOW2, a.NewWindow2()));
    const std::vector<std::pair<int, long>> expected = {{kEventBeforeNavigate, 0},
                                                        {kEventNavigateComplete, 0},
                                                        {kEventDocumentComplete, 0},
                                                        {kEventQuit, 0},
                                                        {kEventNewWindow, 0}};
    EXPECT_EQ(expected, recorder->events);
}

TEST_F(WebBrowserSinkTest, DispidNumbersAreThoseOfTheEventInterface) {
    BrowserEventArgs a;
    const std::vector<std::pair<DISPID, int>> table = {
        {250, 0}, {252, 1}, {259, 2}, {253, 3}, {251, 6}};
    for (const auto& [id, code] : table) {
        recorder->events.clear();
        InvokeSink(sink.Get(), id, a.None());
        ASSERT_EQ(1u, recorder->events.size()) << id;
        EXPECT_EQ(code, recorder->events[0].first) << id;
    }
}

TEST_F(WebBrowserSinkTest, CancelFlagsAndOutParametersAreNeverTouched) {
    BrowserEventArgs a;
    a.cancel = VARIANT_FALSE;
    InvokeSink(sink.Get(), DISPID_BEFORENAVIGATE2, a.BeforeNavigate2(sink.Get()));
    EXPECT_EQ(VARIANT_FALSE, a.cancel);
    InvokeSink(sink.Get(), DISPID_NEWWINDOW2, a.NewWindow2());
    EXPECT_EQ(VARIANT_FALSE, a.cancel);
    EXPECT_EQ(nullptr, a.newWindow);

    a.cancel = VARIANT_TRUE;  // set by another sink before us: stays as it is
    InvokeSink(sink.Get(), DISPID_BEFORENAVIGATE2, a.BeforeNavigate2(sink.Get()));
    EXPECT_EQ(VARIANT_TRUE, a.cancel);
    InvokeSink(sink.Get(), DISPID_NEWWINDOW2, a.NewWindow2());
    EXPECT_EQ(VARIANT_TRUE, a.cancel);
    EXPECT_EQ(VT_BSTR, a.url.vt);
    EXPECT_STREQ(L"http://ads.example/", a.url.bstrVal);
    EXPECT_EQ(2u + 2u, recorder->events.size());
}

TEST_F(WebBrowserSinkTest, OtherDispidsAreIgnored) {
    BrowserEventArgs a;
    for (DISPID id : std::initializer_list<DISPID>{
             DISPID_STATUSTEXTCHANGE, DISPID_PROGRESSCHANGE, DISPID_TITLECHANGE, DISPID_NEWWINDOW3,
             DISPID_WINDOWREGISTERED, DISPID_WINDOWREVOKED, static_cast<DISPID>(0),
             static_cast<DISPID>(-1), static_cast<DISPID>(254), static_cast<DISPID>(258),
             static_cast<DISPID>(260)}) {
        EXPECT_EQ(DISP_E_MEMBERNOTFOUND, InvokeSink(sink.Get(), id, a.None())) << id;
    }
    EXPECT_TRUE(recorder->events.empty());
}

TEST_F(WebBrowserSinkTest, InvokeWithAnInterfaceIdIsRefused) {
    BrowserEventArgs a;
    EXPECT_EQ(DISP_E_UNKNOWNINTERFACE,
              sink->Invoke(DISPID_DOCUMENTCOMPLETE, IID_IDispatch, LOCALE_USER_DEFAULT,
                           DISPATCH_METHOD, a.None(), nullptr, nullptr, nullptr));
    EXPECT_TRUE(recorder->events.empty());
}

TEST_F(WebBrowserSinkTest, AnswersForItsThreeInterfacesOnly) {
    const IID events = ParseIid(L"{34A715A0-6587-11D0-924A-0020AFC7AC4D}");
    EXPECT_TRUE(IsEqualIID(events, sink->EventInterface()));
    for (const IID& iid : {IID_IUnknown, IID_IDispatch, events}) {
        void* out = nullptr;
        ASSERT_EQ(S_OK, sink->QueryInterface(iid, &out));
        EXPECT_EQ(static_cast<IDispatch*>(sink.Get()), out);
        static_cast<IUnknown*>(out)->Release();
    }
    for (const IID& iid : {IID_IConnectionPoint, DIID_DShellWindowsEvents, IID_IWebBrowser2}) {
        void* out = reinterpret_cast<void*>(1);
        EXPECT_EQ(E_NOINTERFACE, sink->QueryInterface(iid, &out));
        EXPECT_EQ(nullptr, out);
    }
    EXPECT_EQ(E_POINTER, sink->QueryInterface(IID_IUnknown, nullptr));
}

TEST_F(WebBrowserSinkTest, IDispatchHasNoTypeInformationOrNames) {
    UINT count = 7;
    EXPECT_EQ(S_OK, sink->GetTypeInfoCount(&count));
    EXPECT_EQ(0u, count);
    ITypeInfo* info = reinterpret_cast<ITypeInfo*>(1);
    EXPECT_TRUE(FAILED(sink->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info)));
    EXPECT_EQ(nullptr, info);
    LPOLESTR name = const_cast<LPOLESTR>(L"DocumentComplete");
    DISPID id = 5;
    EXPECT_EQ(DISP_E_UNKNOWNNAME, sink->GetIDsOfNames(IID_NULL, &name, 1, 0, &id));
    EXPECT_EQ(DISPID_UNKNOWN, id);
}

TEST(EventSinkLifetime, CountsReferencesAndFreesItselfOnTheLastRelease) {
    auto target = std::make_shared<EventRecorder>();
    std::weak_ptr<EventRecorder> watch = target;
    ComRef<CWebBrowserEvent> ref = CWebBrowserEvent::Create(target);
    target.reset();
    ASSERT_FALSE(watch.expired());  // the sink holds its target
    IDispatch* raw = ref.Get();
    EXPECT_EQ(2u, raw->AddRef());
    EXPECT_EQ(3u, raw->AddRef());
    EXPECT_EQ(2u, raw->Release());
    EXPECT_EQ(1u, raw->Release());
    EXPECT_FALSE(watch.expired());
    ref.Reset();  // the last reference
    EXPECT_TRUE(watch.expired());
}

TEST(EventSinkLifetime, AFailingTargetDoesNotLetAnExceptionOut) {
    struct Throwing : BrowserEventSink {
        void OnBrowserEvent(int, long) override { throw std::runtime_error("full queue"); }
    };
    ComRef<CWebBrowserEvent> sink = CWebBrowserEvent::Create(std::make_shared<Throwing>());
    DISPPARAMS none{};
    EXPECT_EQ(E_FAIL, InvokeSink(sink.Get(), DISPID_DOCUMENTCOMPLETE, &none));
}

TEST(EventSinkLifetime, NoTargetIsHarmless) {
    ComRef<CShellWindowsEvents> sink = CShellWindowsEvents::Create(nullptr);
    VARIANT cookie;
    VariantInit(&cookie);
    cookie.vt = VT_I4;
    cookie.lVal = 3;
    DISPPARAMS params = CookieParams(cookie);
    EXPECT_EQ(S_OK, InvokeSink(sink.Get(), DISPID_WINDOWREGISTERED, &params));
}

class ShellSinkTest : public ::testing::Test {
protected:
    std::shared_ptr<EventRecorder> recorder = std::make_shared<EventRecorder>();
    ComRef<CShellWindowsEvents> sink = CShellWindowsEvents::Create(recorder);
};

TEST_F(ShellSinkTest, RegisteredAndRevokedCarryTheCookie) {
    VARIANT cookie;
    VariantInit(&cookie);
    cookie.vt = VT_I4;
    cookie.lVal = 41;
    DISPPARAMS params = CookieParams(cookie);
    EXPECT_EQ(S_OK, InvokeSink(sink.Get(), DISPID_WINDOWREGISTERED, &params));
    cookie.lVal = -7;
    EXPECT_EQ(S_OK, InvokeSink(sink.Get(), DISPID_WINDOWREVOKED, &params));
    const std::vector<std::pair<int, long>> expected = {{kEventWindowRegistered, 41},
                                                        {kEventWindowRevoked, -7}};
    EXPECT_EQ(expected, recorder->events);
    EXPECT_EQ(200, DISPID_WINDOWREGISTERED);
    EXPECT_EQ(201, DISPID_WINDOWREVOKED);
}

TEST_F(ShellSinkTest, CookieByReferenceOrOfAnotherTypeIsRead) {
    LONG value = 9;
    VARIANT byRef;
    VariantInit(&byRef);
    byRef.vt = VT_I4 | VT_BYREF;
    byRef.plVal = &value;
    DISPPARAMS params = CookieParams(byRef);
    InvokeSink(sink.Get(), DISPID_WINDOWREGISTERED, &params);
    VARIANT shortCookie;
    VariantInit(&shortCookie);
    shortCookie.vt = VT_I2;
    shortCookie.iVal = 12;
    params = CookieParams(shortCookie);
    InvokeSink(sink.Get(), DISPID_WINDOWREVOKED, &params);
    const std::vector<std::pair<int, long>> expected = {{kEventWindowRegistered, 9},
                                                        {kEventWindowRevoked, 12}};
    EXPECT_EQ(expected, recorder->events);
    EXPECT_EQ(9, value);
}

TEST_F(ShellSinkTest, MissingOrUnreadableCookieGivesZero) {
    DISPPARAMS none{};
    InvokeSink(sink.Get(), DISPID_WINDOWREGISTERED, &none);
    InvokeSink(sink.Get(), DISPID_WINDOWREVOKED, nullptr);
    VARIANT text;
    VariantInit(&text);
    text.vt = VT_BSTR;
    text.bstrVal = SysAllocString(L"not a number");
    DISPPARAMS params = CookieParams(text);
    InvokeSink(sink.Get(), DISPID_WINDOWREGISTERED, &params);
    VariantClear(&text);
    const std::vector<std::pair<int, long>> expected = {
        {kEventWindowRegistered, 0}, {kEventWindowRevoked, 0}, {kEventWindowRegistered, 0}};
    EXPECT_EQ(expected, recorder->events);
}

TEST_F(ShellSinkTest, BrowserEventsAndOthersAreIgnored) {
    DISPPARAMS none{};
    for (DISPID id : std::initializer_list<DISPID>{DISPID_BEFORENAVIGATE2, DISPID_DOCUMENTCOMPLETE,
                                                   DISPID_ONQUIT, static_cast<DISPID>(202),
                                                   static_cast<DISPID>(199)}) {
        EXPECT_EQ(DISP_E_MEMBERNOTFOUND, InvokeSink(sink.Get(), id, &none)) << id;
    }
    EXPECT_TRUE(recorder->events.empty());
}

TEST_F(ShellSinkTest, AnswersForTheShellEventInterface) {
    const IID events = ParseIid(L"{FE4106E0-399A-11D0-A48C-00A0C90A8F39}");
    void* out = nullptr;
    ASSERT_EQ(S_OK, sink->QueryInterface(events, &out));
    static_cast<IUnknown*>(out)->Release();
    EXPECT_EQ(E_NOINTERFACE, sink->QueryInterface(DIID_DWebBrowserEvents2, &out));
    EXPECT_EQ(nullptr, out);
}

}  // namespace
}  // namespace qm::ie
