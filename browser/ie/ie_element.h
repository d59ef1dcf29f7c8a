// Page elements and element collections over MSHTML's IHTMLElement and
// IHTMLElementCollection. Windows only.
#pragma once

#include <windows.h>
#include <mshtml.h>

#include "browser/browser_port.h"
#include "browser/ie/com_ref.h"

namespace qm::ie {

class IeElement final : public Element {
public:
    explicit IeElement(ComRef<IHTMLElement> element);

    std::uintptr_t Identity() const override { return identity_; }
    bool TagName(std::string& out) override;
    bool SourceIndex(int& out) override;
    bool OuterHtml(std::string& out) override;
    bool InnerHtml(std::string& out) override;
    bool SetInnerHtml(const std::string& html);
    bool OffsetWidth(int& out) override;
    bool OffsetHeight(int& out) override;
    bool StyleDisplay(std::string& out) override;
    bool SetStyleDisplay(const std::string& display) override;
    bool Src(std::string& out) override;
    bool SetSrc(const std::string& src);
    bool CodeBase(std::string& out) override;

    IHTMLElement* Raw() const { return element_.Get(); }

private:
    ComRef<IHTMLStyle> Style() const;

    ComRef<IHTMLElement> element_;
    std::uintptr_t identity_ = 0;
};

class IeElementCollection final : public ElementCollection {
public:
    explicit IeElementCollection(ComRef<IHTMLElementCollection> collection);

    bool Length(int& out) override;
    ElementPtr Item(int index) override;

private:
    ComRef<IHTMLElementCollection> collection_;
};

// Null for a null interface (a call that gave nothing).
ElementPtr MakeElement(ComRef<IHTMLElement> element);
ElementPtr MakeElement(ComRef<IDispatch> dispatch);  // asks for IHTMLElement
CollectionPtr MakeCollection(ComRef<IHTMLElementCollection> collection);
CollectionPtr MakeCollection(ComRef<IDispatch> dispatch);  // asks for IHTMLElementCollection

}  // namespace qm::ie
