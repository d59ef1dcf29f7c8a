#include "browser/ie/ie_element.h"

#include <memory>
#include <utility>

#include "browser/ie/wide_text.h"

namespace qm::ie {

IeElement::IeElement(ComRef<IHTMLElement> element)
    : element_(std::move(element)), identity_(ComIdentity(element_.Get())) {}

bool IeElement::TagName(std::string& out) {
    return ReadText([&](BSTR* text) { return element_->get_tagName(text); }, out);
}

bool IeElement::SourceIndex(int& out) {
    long index = 0;
    if (FAILED(element_->get_sourceIndex(&index))) {
        return false;
    }
    out = static_cast<int>(index);
    return true;
}

bool IeElement::OuterHtml(std::string& out) {
    return ReadText([&](BSTR* text) { return element_->get_outerHTML(text); }, out);
}

bool IeElement::InnerHtml(std::string& out) {
    return ReadText([&](BSTR* text) { return element_->get_innerHTML(text); }, out);
}

bool IeElement::SetInnerHtml(const std::string& html) {
    return WriteText([&](BSTR text) { return element_->put_innerHTML(text); }, html);
}

bool IeElement::OffsetWidth(int& out) {
    long width = 0;
    if (FAILED(element_->get_offsetWidth(&width))) {
        return false;
    }
    out = static_cast<int>(width);
    return true;
}

bool IeElement::OffsetHeight(int& out) {
    long height = 0;
    if (FAILED(element_->get_offsetHeight(&height))) {
        return false;
    }
    out = static_cast<int>(height);
    return true;
}

ComRef<IHTMLStyle> IeElement::Style() const {
    ComRef<IHTMLStyle> style;
    if (FAILED(element_->get_style(style.Put()))) {
        style.Reset();
    }
    return style;
}

bool IeElement::StyleDisplay(std::string& out) {
    ComRef<IHTMLStyle> style = Style();
    if (!style) {
        return false;
    }
    return ReadText([&](BSTR* text) { return style->get_display(text); }, out);
}

bool IeElement::SetStyleDisplay(const std::string& display) {
    ComRef<IHTMLStyle> style = Style();
    if (!style) {
        return false;
    }
    return WriteText([&](BSTR text) { return style->put_display(text); }, display);
}

bool IeElement::Src(std::string& out) {
    if (auto image = element_.As<IHTMLImgElement>()) {
        return ReadText([&](BSTR* text) { return image->get_src(text); }, out);
    }
    if (auto embed = element_.As<IHTMLEmbedElement>()) {
        return ReadText([&](BSTR* text) { return embed->get_src(text); }, out);
    }
    if (auto frame = element_.As<IHTMLFrameBase>()) {
        return ReadText([&](BSTR* text) { return frame->get_src(text); }, out);
    }
    return false;
}

bool IeElement::SetSrc(const std::string& src) {
    auto image = element_.As<IHTMLImgElement>();
    if (!image) {
        return false;
    }
    return WriteText([&](BSTR text) { return image->put_src(text); }, src);
}

bool IeElement::CodeBase(std::string& out) {
    auto object = element_.As<IHTMLObjectElement>();
    if (!object) {
        return false;
    }
    return ReadText([&](BSTR* text) { return object->get_codeBase(text); }, out);
}

IeElementCollection::IeElementCollection(ComRef<IHTMLElementCollection> collection)
    : collection_(std::move(collection)) {}

bool IeElementCollection::Length(int& out) {
    long length = 0;
    if (FAILED(collection_->get_length(&length)) || length < 0) {
        return false;
    }
    out = static_cast<int>(length);
    return true;
}

ElementPtr IeElementCollection::Item(int index) {
    if (index < 0) {
        return nullptr;
    }
    // item(index, index): both variants 4-byte integers.
    ScopedVariant name;
    ScopedVariant position;
    name.SetInt(index);
    position.SetInt(index);
    ComRef<IDispatch> item;
    if (FAILED(collection_->item(name.Get(), position.Get(), item.Put()))) {
        return nullptr;
    }
    return MakeElement(std::move(item));
}

ElementPtr MakeElement(ComRef<IHTMLElement> element) {
    if (!element) {
        return nullptr;
    }
    return std::make_shared<IeElement>(std::move(element));
}

ElementPtr MakeElement(ComRef<IDispatch> dispatch) {
    return MakeElement(dispatch.As<IHTMLElement>());
}

CollectionPtr MakeCollection(ComRef<IHTMLElementCollection> collection) {
    if (!collection) {
        return nullptr;
    }
    return std::make_shared<IeElementCollection>(std::move(collection));
}

CollectionPtr MakeCollection(ComRef<IDispatch> dispatch) {
    return MakeCollection(dispatch.As<IHTMLElementCollection>());
}

}  // namespace qm::ie
