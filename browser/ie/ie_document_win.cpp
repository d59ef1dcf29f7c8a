#include "browser/ie/ie_document.h"

#include <memory>
#include <utility>

#include "browser/ie/ie_element.h"
#include "browser/ie/wide_text.h"

namespace qm::ie {

IeDocument::IeDocument(ComRef<IHTMLDocument2> document) : document_(std::move(document)) {}

bool IeDocument::Url(std::string& out) {
    return ReadText([&](BSTR* text) { return document_->get_URL(text); }, out);
}

bool IeDocument::Title(std::string& out) {
    return ReadText([&](BSTR* text) { return document_->get_title(text); }, out);
}

ElementPtr IeDocument::Body() {
    ComRef<IHTMLElement> body;
    if (FAILED(document_->get_body(body.Put()))) {
        return nullptr;
    }
    return MakeElement(std::move(body));
}

ComRef<IHTMLElementCollection> IeDocument::AllCollection() const {
    ComRef<IHTMLElementCollection> all;
    if (FAILED(document_->get_all(all.Put()))) {
        all.Reset();
    }
    return all;
}

CollectionPtr IeDocument::All() {
    return MakeCollection(AllCollection());
}

CollectionPtr IeDocument::Tags(const std::string& tag) {
    ComRef<IHTMLElementCollection> all = AllCollection();
    if (!all) {
        return nullptr;
    }
    ScopedVariant name;
    if (!name.SetText(tag)) {
        return nullptr;
    }
    ComRef<IDispatch> tagged;
    if (FAILED(all->tags(name.Get(), tagged.Put()))) {
        return nullptr;
    }
    return MakeCollection(std::move(tagged));
}

CollectionPtr IeDocument::Images() {
    ComRef<IHTMLElementCollection> images;
    if (FAILED(document_->get_images(images.Put()))) {
        return nullptr;
    }
    return MakeCollection(std::move(images));
}

ElementPtr IeDocument::ElementFromPoint(int x, int y) {
    ComRef<IHTMLElement> element;
    if (FAILED(document_->elementFromPoint(x, y, element.Put()))) {
        return nullptr;
    }
    return MakeElement(std::move(element));
}

DocumentPtr MakeDocument(ComRef<IHTMLDocument2> document) {
    if (!document) {
        return nullptr;
    }
    return std::make_shared<IeDocument>(std::move(document));
}

DocumentPtr MakeDocument(ComRef<IDispatch> dispatch) {
    return MakeDocument(dispatch.As<IHTMLDocument2>());
}

}  // namespace qm::ie
