// Hand-written COM fakes of the browser interfaces for the adapter tests:
// reference counted objects whose answers and failures the test sets, and
// which record what the adapter passed in.
#pragma once

#include <windows.h>
#include <ocidl.h>

#include <map>
#include <string>
#include <vector>

#include "browser/ie/com_ref.h"
#include "tests/browser_win/com_stubs_document.h"
#include "tests/browser_win/com_stubs_element.h"
#include "tests/browser_win/com_stubs_shell.h"

namespace qm::ie::test {

// Reference counting and an empty IDispatch for every base; the derived fake
// answers QueryInterface. Created with one reference, deleted on the last.
template <class... Bases>
class FakeObject : public Bases... {
public:
    FakeObject() = default;
    FakeObject(const FakeObject&) = delete;
    FakeObject& operator=(const FakeObject&) = delete;
    virtual ~FakeObject() = default;

    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG refs = --refs_;
        if (refs == 0) {
            delete this;
        }
        return static_cast<ULONG>(refs);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return E_NOTIMPL;
    }

    LONG refs() const { return refs_; }

protected:
    template <class I>
    HRESULT Give(I* in, void** out) {
        *out = in;
        AddRef();
        return S_OK;
    }
    static HRESULT Refuse(void** out) {
        *out = nullptr;
        return E_NOINTERFACE;
    }

private:
    LONG refs_ = 1;
};

// Hands out a fresh BSTR copy of text (null stays null).
HRESULT CopyOut(const std::wstring& text, bool null, BSTR* out);

class FakeStyle final : public FakeObject<StubHtmlStyle> {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    HRESULT STDMETHODCALLTYPE get_display(BSTR* p) override;
    HRESULT STDMETHODCALLTYPE put_display(BSTR v) override;

    std::wstring display;
    bool displayNull = true;  // an unset display comes back as a null BSTR
    bool fail = false;
    int writes = 0;
};

// An element; which of the image, object, embed and frame interfaces it
// answers to is chosen by kind.
class FakeElement final
    : public FakeObject<StubHtmlElement, StubHtmlImgElement, StubHtmlObjectElement,
                        StubHtmlEmbedElement, StubHtmlFrameBase> {
public:
    enum class Kind { kPlain, kImage, kObject, kEmbed, kFrame };
    FakeElement(Kind kind, std::wstring tag) : kind(kind), tag(std::move(tag)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    HRESULT STDMETHODCALLTYPE get_tagName(BSTR* p) override;
    HRESULT STDMETHODCALLTYPE get_sourceIndex(LONG* p) override;
    HRESULT STDMETHODCALLTYPE get_outerHTML(BSTR* p) override;
    HRESULT STDMETHODCALLTYPE get_innerHTML(BSTR* p) override;
    HRESULT STDMETHODCALLTYPE put_innerHTML(BSTR v) override;
    HRESULT STDMETHODCALLTYPE get_offsetWidth(LONG* p) override;
    HRESULT STDMETHODCALLTYPE get_offsetHeight(LONG* p) override;
    HRESULT STDMETHODCALLTYPE get_style(IHTMLStyle** p) override;
    HRESULT STDMETHODCALLTYPE get_src(BSTR* p) override;  // image, embed and frame
    HRESULT STDMETHODCALLTYPE put_src(BSTR v) override;
    HRESULT STDMETHODCALLTYPE get_codeBase(BSTR* p) override;

    Kind kind;
    std::wstring tag;
    LONG sourceIndex = 0;
    std::wstring outerHtml;
    std::wstring innerHtml;
    LONG width = 0;
    LONG height = 0;
    std::wstring src;
    std::wstring codeBase;
    FakeStyle* style = nullptr;  // owned reference; null: no style object
    bool fail = false;           // every call fails
    std::vector<std::wstring> innerWrites;
    std::vector<std::wstring> srcWrites;

    ~FakeElement() override;
};

class FakeCollection final : public FakeObject<StubHtmlElementCollection> {
public:
    ~FakeCollection() override;
    void Add(FakeElement* element);  // takes a reference of its own

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    HRESULT STDMETHODCALLTYPE get_length(LONG* p) override;
    HRESULT STDMETHODCALLTYPE item(VARIANT name, VARIANT index, IDispatch** p) override;
    HRESULT STDMETHODCALLTYPE tags(VARIANT tagName, IDispatch** p) override;

    std::vector<FakeElement*> elements;
    bool fail = false;
    std::vector<VARTYPE> itemTypes;  // the variant types item() received
    std::vector<VARTYPE> tagTypes;   // and tags()
    std::vector<std::wstring> tagNames;
};

class FakeDocument final : public FakeObject<StubHtmlDocument2> {
public:
    ~FakeDocument() override;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    HRESULT STDMETHODCALLTYPE get_URL(BSTR* p) override;
    HRESULT STDMETHODCALLTYPE get_title(BSTR* p) override;
    HRESULT STDMETHODCALLTYPE get_body(IHTMLElement** p) override;
    HRESULT STDMETHODCALLTYPE get_all(IHTMLElementCollection** p) override;
    HRESULT STDMETHODCALLTYPE get_images(IHTMLElementCollection** p) override;
    HRESULT STDMETHODCALLTYPE elementFromPoint(LONG x, LONG y, IHTMLElement** p) override;

    std::wstring url;
    std::wstring title;
    FakeElement* body = nullptr;  // owned references; null: none
    FakeCollection* all = nullptr;
    FakeCollection* images = nullptr;
    FakeElement* atPoint = nullptr;
    bool fail = false;
    LONG pointX = -1;
    LONG pointY = -1;
};

// One connection point for one event interface, with its connected sinks.
class FakeConnectionPoint final : public IConnectionPoint {
public:
    explicit FakeConnectionPoint(const IID& iid) : iid_(iid) {}
    virtual ~FakeConnectionPoint();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override;
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

    const IID& iid() const { return iid_; }
    std::size_t Connections() const { return sinks_.size(); }
    // Invokes every connected sink with the DISPID and no arguments.
    void Fire(DISPID id, DISPPARAMS* params = nullptr);

private:
    LONG refs_ = 1;
    IID iid_;
    DWORD nextCookie_ = 100;
    std::map<DWORD, IDispatch*> sinks_;
};

// Answers IConnectionPointContainer for an object that raises events.
class FakeEventSource : public IConnectionPointContainer {
public:
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** out) override;

    FakeConnectionPoint* point = nullptr;  // owned reference; null: no events
};

class FakeBrowser final : public FakeObject<StubWebBrowser2, FakeEventSource> {
public:
    ~FakeBrowser() override;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    HRESULT STDMETHODCALLTYPE get_HWND(SHANDLE_PTR* p) override;
    HRESULT STDMETHODCALLTYPE get_Document(IDispatch** p) override;
    HRESULT STDMETHODCALLTYPE get_ToolBar(int* p) override;
    HRESULT STDMETHODCALLTYPE get_MenuBar(VARIANT_BOOL* p) override;
    HRESULT STDMETHODCALLTYPE Quit() override;

    SHANDLE_PTR hwnd = 0;
    IDispatch* document = nullptr;  // owned reference; null: no document yet
    int toolBar = 1;
    VARIANT_BOOL menuBar = VARIANT_TRUE;
    bool fail = false;
    int quits = 0;
};

class FakeShellWindows final : public FakeObject<StubShellWindows, FakeEventSource> {
public:
    ~FakeShellWindows() override;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    HRESULT STDMETHODCALLTYPE get_Count(LONG* p) override;
    HRESULT STDMETHODCALLTYPE Item(VARIANT index, IDispatch** p) override;

    std::vector<IDispatch*> items;  // owned references; a null entry is an empty item
    bool fail = false;
    std::vector<VARTYPE> itemTypes;
};

}  // namespace qm::ie::test
