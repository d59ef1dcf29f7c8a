#include "explorer/win/preview_html_win.h"

#include <exdisp.h>
#include <mshtml.h>
#include <ocidl.h>
#include <ole2.h>

#include <cstring>
#include <optional>
#include <string>

#include "browser/ie/com_ref.h"
#include "explorer/preview_document.h"
#include "explorer/preview_text.h"
#include "explorer/win/preview_guard_win.h"
#include "explorer/win/preview_site_win.h"
#include "platform/win/utf16_win.h"

namespace qm::win {

namespace {

constexpr wchar_t kHostClass[] = L"QuillmoorPreviewHost";

// A BSTR for the length of a call.
class Bstr {
public:
    explicit Bstr(const std::wstring& text)
        : value_(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    ~Bstr() { ::SysFreeString(value_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR Get() const { return value_; }

private:
    BSTR value_;
};

// A memory stream holding bytes; null when there is no memory for it.
ie::ComRef<IStream> MemoryStream(const std::string& bytes) {
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes.size() + 1);
    if (memory == nullptr) {
        return {};
    }
    if (void* data = ::GlobalLock(memory)) {
        std::memcpy(data, bytes.data(), bytes.size());
        static_cast<char*>(data)[bytes.size()] = '\0';
        ::GlobalUnlock(memory);
    }
    ie::ComRef<IStream> stream;
    if (FAILED(::CreateStreamOnHGlobal(memory, TRUE, stream.Put()))) {
        ::GlobalFree(memory);
        return {};
    }
    ULARGE_INTEGER size{};
    size.QuadPart = bytes.size();
    stream->SetSize(size);
    return stream;
}

}  // namespace

CHtmlRenderer::~CHtmlRenderer() {
    Release();
    if (host_ != nullptr && ::IsWindow(host_)) {
        ::SetWindowLongPtrW(host_, GWLP_USERDATA, 0);
        ::DestroyWindow(host_);
    }
}

void CHtmlRenderer::Show(const std::string& pageAddress, const FilterRecord& record) {
    text_ = PreviewText(record);
    pending_ = PreviewDocument(pageAddress, record);
    imageSource_ = record.sType == "IMG" ? record.sName : std::string();
    Load();
}

void CHtmlRenderer::Clear() {
    text_.clear();
    pending_ = BlankPreviewDocument();
    imageSource_.clear();
    Load();
}

bool CHtmlRenderer::Create(HWND parent, int id) {
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    if (!::GetClassInfoExW(instance, kHostClass, &wc)) {
        wc.lpfnWndProc = &CHtmlRenderer::HostProc;
        wc.hInstance = instance;
        wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = kHostClass;
        if (::RegisterClassExW(&wc) == 0) {
            return false;
        }
    }
    host_ = ::CreateWindowExW(WS_EX_CLIENTEDGE, kHostClass, L"",
                              WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 10, 10, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, this);
    if (host_ == nullptr) {
        return false;
    }
    site_ = ie::ComRef<CPreviewSite>::Attach(CPreviewSite::Create(host_));
    guard_ = ie::ComRef<CPreviewGuard>::Attach(
        CPreviewGuard::Create([this] { OnDocumentComplete(); }));
    // The site goes in before anything loads, so that the engine reads the
    // download control of the very first page.
    bool ok = SUCCEEDED(::CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER,
                                           IID_IOleObject,
                                           reinterpret_cast<void**>(object_.Put()))) &&
              SUCCEEDED(object_->SetClientSite(static_cast<IOleClientSite*>(site_.Get())));
    browser_ = object_.As<IWebBrowser2>();
    ok = ok && browser_;
    if (ok) {
        // No guard, no control: without it a click would navigate the pane.
        ie::ComRef<IConnectionPointContainer> points = object_.As<IConnectionPointContainer>();
        ok = points && SUCCEEDED(points->FindConnectionPoint(DIID_DWebBrowserEvents2,
                                                             events_.Put())) &&
             SUCCEEDED(events_->Advise(static_cast<IDispatch*>(guard_.Get()), &cookie_));
    }
    RECT client{};
    ::GetClientRect(host_, &client);
    ok = ok && SUCCEEDED(object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr,
                                         static_cast<IOleClientSite*>(site_.Get()), 0, host_,
                                         &client));
    inPlace_ = object_.As<IOleInPlaceObject>();
    if (ok) {
        browser_->put_Silent(VARIANT_TRUE);
        browser_->put_Offline(VARIANT_TRUE);
        browser_->put_RegisterAsDropTarget(VARIANT_FALSE);
        browser_->put_RegisterAsBrowser(VARIANT_FALSE);
        guard_->AllowBlankPage();
        const Bstr blank(L"about:blank");
        VARIANT none;
        ::VariantInit(&none);
        ok = SUCCEEDED(browser_->Navigate(blank.Get(), &none, &none, &none, &none));
    }
    if (!ok) {
        Release();
        ::SetWindowLongPtrW(host_, GWLP_USERDATA, 0);
        ::DestroyWindow(host_);
        host_ = nullptr;
    }
    return ok;
}

LRESULT CALLBACK CHtmlRenderer::HostProc(HWND window, UINT message, WPARAM wParam,
                                        LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(window, GWLP_USERDATA,
                            reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<CHtmlRenderer*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self != nullptr) {
        switch (message) {
            case WM_SIZE:
                self->Resize();
                return 0;
            case WM_SETFOCUS:
                if (HWND child = ::GetWindow(window, GW_CHILD)) {
                    ::SetFocus(child);
                }
                return 0;
            case WM_DESTROY:
                // The control goes while its windows still exist.
                self->Release();
                break;
            default:
                break;
        }
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

void CHtmlRenderer::Resize() {
    if (inPlace_) {
        RECT client{};
        ::GetClientRect(host_, &client);
        inPlace_->SetObjectRects(&client, &client);
    }
}

void CHtmlRenderer::OnDocumentComplete() {
    if (!ready_) {
        ready_ = true;
        Load();
        return;
    }
    ShowOwnImage();
}

void CHtmlRenderer::Load() {
    if (!ready_ || !pending_ || !browser_) {
        return;
    }
    ie::ComRef<IDispatch> document;
    if (FAILED(browser_->get_Document(document.Put())) || !document) {
        return;  // the pane keeps what it showed
    }
    ie::ComRef<IPersistStreamInit> persist = document.As<IPersistStreamInit>();
    ie::ComRef<IStream> stream = MemoryStream(*pending_);
    pending_.reset();
    if (!persist || !stream || FAILED(persist->InitNew()) || FAILED(persist->Load(stream.Get()))) {
        return;
    }
    ShowOwnImage();
}

// An IMG filter whose markup holds exactly one image shows the image from the
// filter's own address, so that a relative address in the markup still loads
// (from the cache: the control is offline).
void CHtmlRenderer::ShowOwnImage() {
    if (imageSource_.empty() || !browser_) {
        return;
    }
    ie::ComRef<IDispatch> dispatch;
    if (FAILED(browser_->get_Document(dispatch.Put())) || !dispatch) {
        return;
    }
    ie::ComRef<IHTMLDocument2> document = dispatch.As<IHTMLDocument2>();
    ie::ComRef<IHTMLElementCollection> images;
    long count = 0;
    if (!document || FAILED(document->get_images(images.Put())) || !images ||
        FAILED(images->get_length(&count)) || count != 1) {
        return;
    }
    VARIANT index;
    ::VariantInit(&index);
    V_VT(&index) = VT_I4;
    V_I4(&index) = 0;
    ie::ComRef<IDispatch> item;
    if (FAILED(images->item(index, index, item.Put())) || !item) {
        return;
    }
    if (ie::ComRef<IHTMLImgElement> image = item.As<IHTMLImgElement>()) {
        const Bstr source(Widen(imageSource_));
        if (SUCCEEDED(image->put_src(source.Get()))) {
            imageSource_.clear();
        }
    }
}

void CHtmlRenderer::Release() {
    if (events_ && cookie_ != 0) {
        events_->Unadvise(cookie_);
    }
    cookie_ = 0;
    events_.Reset();
    if (inPlace_) {
        inPlace_->InPlaceDeactivate();
    }
    inPlace_.Reset();
    browser_.Reset();
    if (object_) {
        object_->Close(OLECLOSE_NOSAVE);
        object_->SetClientSite(nullptr);
    }
    object_.Reset();
    if (guard_) {
        guard_->Forget();  // a late event finds no renderer
    }
    guard_.Reset();
    site_.Reset();
    ready_ = false;
}

std::unique_ptr<ElementRenderer> MakeHtmlRenderer() {
    return std::make_unique<CHtmlRenderer>();
}

}  // namespace qm::win
