// Documents, elements and collections of a page, answered by the helper in our
// isolated world. Every call is one protocol round trip; the batched steps too.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "browser/browser_port.h"
#include "browser/cdp/cdp_page.h"

namespace qm::cdp {

class CdpElement : public Element {
public:
    CdpElement(std::shared_ptr<CdpPage> page, int context, int id);
    std::uintptr_t Identity() const override;
    bool TagName(std::string& out) override;
    bool SourceIndex(int& out) override;
    bool OuterHtml(std::string& out) override;
    bool InnerHtml(std::string& out) override;
    bool OffsetWidth(int& out) override;
    bool OffsetHeight(int& out) override;
    bool StyleDisplay(std::string& out) override;
    bool SetStyleDisplay(const std::string& display) override;
    bool Src(std::string& out) override;
    bool CodeBase(std::string& out) override;

private:
    bool Text(const char* op, std::string& out);
    bool Number(const char* op, int& out);
    bool Write(const char* op, const std::string& value);

    std::shared_ptr<CdpPage> page_;
    int context_;
    int id_;
};

// Which list a collection walks: all elements, one tag, or the images.
enum class CollectionKind { kAll = 0, kTag = 1, kImages = 2 };

class CdpCollection : public ElementCollection {
public:
    CdpCollection(std::shared_ptr<CdpPage> page, int context, CollectionKind kind, std::string tag);
    bool Length(int& out) override;
    ElementPtr Item(int index) override;

private:
    std::shared_ptr<CdpPage> page_;
    int context_;
    CollectionKind kind_;
    std::string tag_;
};

// What the helper computes for one element of the all-elements collection:
// its tag, its identity computed in the page, and the parts the identity is
// made of (so the page's rules can be compared with ours).
struct IdentityParts {
    std::string tag;
    std::string pageIdentity;
    std::string src;
    std::string innerHtml;
    std::string codeBase;
};

class CdpDocument : public Document {
public:
    explicit CdpDocument(std::shared_ptr<CdpPage> page);
    bool Url(std::string& out) override;
    bool KnownUrl(std::string& out) override;
    bool Title(std::string& out) override;
    ElementPtr Body() override;
    CollectionPtr All() override;
    CollectionPtr Tags(const std::string& tag) override;
    ElementPtr ElementFromPoint(int x, int y) override;
    bool ScanTag(const std::string& tag, std::vector<TaggedElement>& out) override;
    bool CheckAndHide(const std::vector<LocatedCheck>& checks,
                      std::vector<CheckOutcome>& out) override;
    // The pass runs in the page in one call (cdp_pass.cpp).
    bool RunPass(const PassRequest& request, PassResult& out) override;
    std::shared_ptr<PendingPass> StartPass(const PassRequest& request) override;
    void ShowLocated(int index, const std::string& type, const std::string& identity) override;

    // Every element of the all-elements collection with its parts, in one call.
    bool IdentityPartsOfAll(std::vector<IdentityParts>& out);

private:
    ElementPtr ElementFrom(const char* op, Json args);
    CollectionPtr Collection(CollectionKind kind, const std::string& tag);

    std::shared_ptr<CdpPage> page_;
};

}  // namespace qm::cdp
