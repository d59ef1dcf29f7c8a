// The browser calls its event sink from another process; COM marshals the
// calls into the user-interface thread's apartment. Here another thread's
// apartment stands in for the browser: the events still arrive on the
// thread that made the sink, with their declared arguments.
#include <gtest/gtest.h>

#include <windows.h>
#include <exdispid.h>
#include <objbase.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "browser/ie/event_sinks.h"
#include "tests/browser_win/event_recorder.h"

namespace qm::ie {
namespace {

using test::EventRecorder;

struct ThreadRecorder : EventRecorder {
    void OnBrowserEvent(int code, long param) override {
        threads.push_back(GetCurrentThreadId());
        EventRecorder::OnBrowserEvent(code, param);
    }
    std::vector<DWORD> threads;
};

// Runs the message loop of this (single-threaded) apartment until done.
void PumpUntil(HANDLE done) {
    for (;;) {
        const DWORD wait = MsgWaitForMultipleObjects(1, &done, FALSE, 10000, QS_ALLINPUT);
        if (wait == WAIT_OBJECT_0) {
            return;
        }
        if (wait != WAIT_OBJECT_0 + 1) {
            ADD_FAILURE() << "the calling thread did not finish";
            return;
        }
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

TEST(MarshalledEvents, ArriveOnTheSinksThreadWithArgumentsUntouched) {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    {
        auto recorder = std::make_shared<ThreadRecorder>();
        ComRef<CWebBrowserEvent> sink = CWebBrowserEvent::Create(recorder);
        IStream* stream = nullptr;
        ASSERT_EQ(S_OK, CoMarshalInterThreadInterfaceInStream(
                            IID_IDispatch, static_cast<IDispatch*>(sink.Get()), &stream));

        std::atomic<HRESULT> unmarshalled{E_FAIL};
        std::atomic<HRESULT> documentComplete{E_FAIL};
        std::atomic<HRESULT> beforeNavigate{E_FAIL};
        std::atomic<HRESULT> unknown{S_OK};
        VARIANT_BOOL cancelSeen = VARIANT_TRUE;
        HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        std::thread browser([&] {
            CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            IDispatch* proxy = nullptr;
            unmarshalled = CoGetInterfaceAndReleaseStream(stream, IID_IDispatch,
                                                          reinterpret_cast<void**>(&proxy));
            if (SUCCEEDED(unmarshalled.load()) && proxy) {
                VARIANT url;
                VariantInit(&url);
                url.vt = VT_BSTR;
                url.bstrVal = SysAllocString(L"http://www.example.com/");
                VARIANT args[7];
                for (VARIANT& arg : args) {
                    VariantInit(&arg);
                }
                // DocumentComplete(dispatch, variant reference).
                args[1].vt = VT_DISPATCH;
                args[1].pdispVal = nullptr;
                args[0].vt = VT_VARIANT | VT_BYREF;
                args[0].pvarVal = &url;
                DISPPARAMS params{args, nullptr, 2, 0};
                documentComplete =
                    proxy->Invoke(DISPID_DOCUMENTCOMPLETE, IID_NULL, 0, DISPATCH_METHOD, &params,
                                  nullptr, nullptr, nullptr);
                // BeforeNavigate2(dispatch, five variant references, bool reference).
                VARIANT_BOOL cancel = VARIANT_FALSE;
                VARIANT empty[4];
                for (int i = 0; i < 4; ++i) {
                    VariantInit(&empty[i]);
                    args[1 + i].vt = VT_VARIANT | VT_BYREF;
                    args[1 + i].pvarVal = &empty[i];
                }
                args[5].vt = VT_VARIANT | VT_BYREF;
                args[5].pvarVal = &url;
                args[6].vt = VT_DISPATCH;
                args[6].pdispVal = nullptr;
                args[0].vt = VT_BOOL | VT_BYREF;
                args[0].pboolVal = &cancel;
                params.cArgs = 7;
                beforeNavigate = proxy->Invoke(DISPID_BEFORENAVIGATE2, IID_NULL, 0, DISPATCH_METHOD,
                                               &params, nullptr, nullptr, nullptr);
                cancelSeen = cancel;
                DISPPARAMS none{nullptr, nullptr, 0, 0};
                unknown = proxy->Invoke(DISPID_STATUSTEXTCHANGE, IID_NULL, 0, DISPATCH_METHOD,
                                        &none, nullptr, nullptr, nullptr);
                VariantClear(&url);
                proxy->Release();
            }
            CoUninitialize();
            SetEvent(done);
        });
        PumpUntil(done);
        browser.join();
        CloseHandle(done);

        ASSERT_EQ(S_OK, unmarshalled.load());
        EXPECT_EQ(S_OK, documentComplete.load());
        EXPECT_EQ(S_OK, beforeNavigate.load());
        EXPECT_TRUE(FAILED(unknown.load()));
        EXPECT_EQ(VARIANT_FALSE, cancelSeen);
        const std::vector<std::pair<int, long>> expected = {{kEventDocumentComplete, 0},
                                                            {kEventBeforeNavigate, 0}};
        EXPECT_EQ(expected, recorder->events);
        for (DWORD thread : recorder->threads) {
            EXPECT_EQ(GetCurrentThreadId(), thread);
        }
    }
    CoUninitialize();
}

}  // namespace
}  // namespace qm::ie
