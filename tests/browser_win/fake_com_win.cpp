#include "tests/browser_win/fake_com.h"

namespace qm::ie::test {

namespace {

template <class T>
void ReleaseOwned(T*& ptr) {
    if (ptr) {
        ptr->Release();
        ptr = nullptr;
    }
}

template <class I, class T>
HRESULT Hand(T* object, I** out) {
    *out = object;
    if (object) {
        object->AddRef();
    }
    return S_OK;
}

}  // namespace

HRESULT CopyOut(const std::wstring& text, bool null, BSTR* out) {
    *out = null ? nullptr : SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return S_OK;
}

// --- FakeStyle

HRESULT STDMETHODCALLTYPE FakeStyle::QueryInterface(REFIID riid, void** out) {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
        IsEqualIID(riid, IID_IHTMLStyle)) {
        return Give(static_cast<IHTMLStyle*>(this), out);
    }
    return Refuse(out);
}

HRESULT STDMETHODCALLTYPE FakeStyle::get_display(BSTR* p) {
    if (fail) {
        return E_FAIL;
    }
    return CopyOut(display, displayNull, p);
}

HRESULT STDMETHODCALLTYPE FakeStyle::put_display(BSTR v) {
    if (fail) {
        return E_FAIL;
    }
    ++writes;
    display.assign(v ? v : L"", v ? SysStringLen(v) : 0);
    displayNull = false;
    return S_OK;
}

// --- FakeElement

FakeElement::~FakeElement() {
    ReleaseOwned(style);
}

HRESULT STDMETHODCALLTYPE FakeElement::QueryInterface(REFIID riid, void** out) {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
        IsEqualIID(riid, IID_IHTMLElement)) {
        return Give(static_cast<IHTMLElement*>(this), out);
    }
    if (kind == Kind::kImage && IsEqualIID(riid, IID_IHTMLImgElement)) {
        return Give(static_cast<IHTMLImgElement*>(this), out);
    }
    if (kind == Kind::kObject && IsEqualIID(riid, IID_IHTMLObjectElement)) {
        return Give(static_cast<IHTMLObjectElement*>(this), out);
    }
    if (kind == Kind::kEmbed && IsEqualIID(riid, IID_IHTMLEmbedElement)) {
        return Give(static_cast<IHTMLEmbedElement*>(this), out);
    }
    if (kind == Kind::kFrame && IsEqualIID(riid, IID_IHTMLFrameBase)) {
        return Give(static_cast<IHTMLFrameBase*>(this), out);
    }
    return Refuse(out);
}

HRESULT STDMETHODCALLTYPE FakeElement::get_tagName(BSTR* p) {
    return fail ? E_FAIL : CopyOut(tag, false, p);
}

HRESULT STDMETHODCALLTYPE FakeElement::get_sourceIndex(LONG* p) {
    if (fail) {
        return E_FAIL;
    }
    *p = sourceIndex;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeElement::get_outerHTML(BSTR* p) {
    return fail ? E_FAIL : CopyOut(outerHtml, false, p);
}

HRESULT STDMETHODCALLTYPE FakeElement::get_innerHTML(BSTR* p) {
    return fail ? E_FAIL : CopyOut(innerHtml, innerHtml.empty(), p);
}

HRESULT STDMETHODCALLTYPE FakeElement::put_innerHTML(BSTR v) {
    if (fail) {
        return E_FAIL;
    }
    innerWrites.emplace_back(v, SysStringLen(v));
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeElement::get_offsetWidth(LONG* p) {
    if (fail) {
        return E_FAIL;
    }
    *p = width;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeElement::get_offsetHeight(LONG* p) {
    if (fail) {
        return E_FAIL;
    }
    *p = height;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeElement::get_style(IHTMLStyle** p) {
    if (fail) {
        *p = nullptr;
        return E_FAIL;
    }
    return Hand(style, p);
}

HRESULT STDMETHODCALLTYPE FakeElement::get_src(BSTR* p) {
    return fail ? E_FAIL : CopyOut(src, false, p);
}

HRESULT STDMETHODCALLTYPE FakeElement::put_src(BSTR v) {
    if (fail) {
        return E_FAIL;
    }
    srcWrites.emplace_back(v, SysStringLen(v));
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeElement::get_codeBase(BSTR* p) {
    return fail ? E_FAIL : CopyOut(codeBase, false, p);
}

// --- FakeCollection

FakeCollection::~FakeCollection() {
    for (FakeElement* element : elements) {
        element->Release();
    }
}

void FakeCollection::Add(FakeElement* element) {
    element->AddRef();
    elements.push_back(element);
}

HRESULT STDMETHODCALLTYPE FakeCollection::QueryInterface(REFIID riid, void** out) {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
        IsEqualIID(riid, IID_IHTMLElementCollection)) {
        return Give(static_cast<IHTMLElementCollection*>(this), out);
    }
    return Refuse(out);
}

HRESULT STDMETHODCALLTYPE FakeCollection::get_length(LONG* p) {
    if (fail) {
        return E_FAIL;
    }
    *p = static_cast<LONG>(elements.size());
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeCollection::item(VARIANT name, VARIANT index, IDispatch** p) {
    itemTypes.push_back(name.vt);
    itemTypes.push_back(index.vt);
    *p = nullptr;
    if (fail) {
        return E_FAIL;
    }
    if (name.vt != VT_I4 || name.lVal < 0 || name.lVal >= static_cast<LONG>(elements.size())) {
        return S_OK;  // as the browser does: success without an element
    }
    return Hand(static_cast<IHTMLElement*>(elements[static_cast<std::size_t>(name.lVal)]), p);
}

HRESULT STDMETHODCALLTYPE FakeCollection::tags(VARIANT tagName, IDispatch** p) {
    tagTypes.push_back(tagName.vt);
    *p = nullptr;
    if (fail) {
        return E_FAIL;
    }
    if (tagName.vt != VT_BSTR) {
        return E_INVALIDARG;
    }
    const std::wstring wanted(tagName.bstrVal, SysStringLen(tagName.bstrVal));
    tagNames.push_back(wanted);
    auto* tagged = new FakeCollection();
    for (FakeElement* element : elements) {
        if (element->tag == wanted) {
            tagged->Add(element);
        }
    }
    *p = static_cast<IHTMLElementCollection*>(tagged);  // hands over the creation reference
    return S_OK;
}

// --- FakeDocument

FakeDocument::~FakeDocument() {
    ReleaseOwned(body);
    ReleaseOwned(all);
    ReleaseOwned(images);
    ReleaseOwned(atPoint);
}

HRESULT STDMETHODCALLTYPE FakeDocument::QueryInterface(REFIID riid, void** out) {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
        IsEqualIID(riid, IID_IHTMLDocument) || IsEqualIID(riid, IID_IHTMLDocument2)) {
        return Give(static_cast<IHTMLDocument2*>(this), out);
    }
    return Refuse(out);
}

HRESULT STDMETHODCALLTYPE FakeDocument::get_URL(BSTR* p) {
    return fail ? E_FAIL : CopyOut(url, false, p);
}

HRESULT STDMETHODCALLTYPE FakeDocument::get_title(BSTR* p) {
    return fail ? E_FAIL : CopyOut(title, false, p);
}

HRESULT STDMETHODCALLTYPE FakeDocument::get_body(IHTMLElement** p) {
    if (fail) {
        *p = nullptr;
        return E_FAIL;
    }
    return Hand(static_cast<IHTMLElement*>(body), p);
}

HRESULT STDMETHODCALLTYPE FakeDocument::get_all(IHTMLElementCollection** p) {
    if (fail) {
        *p = nullptr;
        return E_FAIL;
    }
    return Hand(static_cast<IHTMLElementCollection*>(all), p);
}

HRESULT STDMETHODCALLTYPE FakeDocument::get_images(IHTMLElementCollection** p) {
    if (fail) {
        *p = nullptr;
        return E_FAIL;
    }
    return Hand(static_cast<IHTMLElementCollection*>(images), p);
}

HRESULT STDMETHODCALLTYPE FakeDocument::elementFromPoint(LONG x, LONG y, IHTMLElement** p) {
    pointX = x;
    pointY = y;
    if (fail) {
        *p = nullptr;
        return E_FAIL;
    }
    return Hand(static_cast<IHTMLElement*>(atPoint), p);
}

// --- FakeConnectionPoint

FakeConnectionPoint::~FakeConnectionPoint() {
    for (auto& entry : sinks_) {
        entry.second->Release();
    }
}

HRESULT STDMETHODCALLTYPE FakeConnectionPoint::QueryInterface(REFIID riid, void** out) {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IConnectionPoint)) {
        *out = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE FakeConnectionPoint::Release() {
    const LONG refs = --refs_;
    if (refs == 0) {
        delete this;
    }
    return static_cast<ULONG>(refs);
}

HRESULT STDMETHODCALLTYPE FakeConnectionPoint::GetConnectionInterface(IID* iid) {
    *iid = iid_;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
    // As a real source does: ask the sink for the event interface itself.
    IDispatch* events = nullptr;
    if (!sink || FAILED(sink->QueryInterface(iid_, reinterpret_cast<void**>(&events))) || !events) {
        return CONNECT_E_CANNOTCONNECT;
    }
    *cookie = nextCookie_++;
    sinks_[*cookie] = events;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeConnectionPoint::Unadvise(DWORD cookie) {
    auto it = sinks_.find(cookie);
    if (it == sinks_.end()) {
        return CONNECT_E_NOCONNECTION;
    }
    IDispatch* sink = it->second;
    sinks_.erase(it);
    sink->Release();
    return S_OK;
}

void FakeConnectionPoint::Fire(DISPID id, DISPPARAMS* params) {
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    for (auto& entry : sinks_) {
        entry.second->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                             params ? params : &none, nullptr, nullptr, nullptr);
    }
}

HRESULT STDMETHODCALLTYPE FakeEventSource::FindConnectionPoint(REFIID riid,
                                                               IConnectionPoint** out) {
    if (!point || !IsEqualIID(riid, point->iid())) {
        *out = nullptr;
        return CONNECT_E_NOCONNECTION;
    }
    *out = point;
    point->AddRef();
    return S_OK;
}

// --- FakeBrowser

FakeBrowser::~FakeBrowser() {
    ReleaseOwned(document);
    ReleaseOwned(point);
}

HRESULT STDMETHODCALLTYPE FakeBrowser::QueryInterface(REFIID riid, void** out) {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
        IsEqualIID(riid, IID_IWebBrowser) || IsEqualIID(riid, IID_IWebBrowserApp) ||
        IsEqualIID(riid, IID_IWebBrowser2)) {
        return Give(static_cast<IWebBrowser2*>(this), out);
    }
    if (point && IsEqualIID(riid, IID_IConnectionPointContainer)) {
        return Give(static_cast<IConnectionPointContainer*>(this), out);
    }
    return Refuse(out);
}

HRESULT STDMETHODCALLTYPE FakeBrowser::get_HWND(SHANDLE_PTR* p) {
    if (fail) {
        return E_FAIL;
    }
    *p = hwnd;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeBrowser::get_Document(IDispatch** p) {
    if (fail) {
        *p = nullptr;
        return E_FAIL;
    }
    return Hand(document, p);
}

HRESULT STDMETHODCALLTYPE FakeBrowser::get_ToolBar(int* p) {
    if (fail) {
        return E_FAIL;
    }
    *p = toolBar;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeBrowser::get_MenuBar(VARIANT_BOOL* p) {
    if (fail) {
        return E_FAIL;
    }
    *p = menuBar;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeBrowser::Quit() {
    if (fail) {
        return E_FAIL;
    }
    ++quits;
    return S_OK;
}

// --- FakeShellWindows

FakeShellWindows::~FakeShellWindows() {
    for (IDispatch* item : items) {
        if (item) {
            item->Release();
        }
    }
    ReleaseOwned(point);
}

HRESULT STDMETHODCALLTYPE FakeShellWindows::QueryInterface(REFIID riid, void** out) {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
        IsEqualIID(riid, IID_IShellWindows)) {
        return Give(static_cast<IShellWindows*>(this), out);
    }
    if (point && IsEqualIID(riid, IID_IConnectionPointContainer)) {
        return Give(static_cast<IConnectionPointContainer*>(this), out);
    }
    return Refuse(out);
}

HRESULT STDMETHODCALLTYPE FakeShellWindows::get_Count(LONG* p) {
    if (fail) {
        return E_FAIL;
    }
    *p = static_cast<LONG>(items.size());
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeShellWindows::Item(VARIANT index, IDispatch** p) {
    itemTypes.push_back(index.vt);
    *p = nullptr;
    if (fail) {
        return E_FAIL;
    }
    if (index.vt != VT_I4 || index.lVal < 0 || index.lVal >= static_cast<LONG>(items.size())) {
        return S_FALSE;
    }
    return Hand(items[static_cast<std::size_t>(index.lVal)], p);
}

}  // namespace qm::ie::test
