// A simulated page: a real document tree read from HTML, exposed through the
// browser port (Document, Element, ElementCollection). Portable.
//
// Boxes: an element's box in page-window client coordinates is given by its
// attribute data-box="x y w h"; elements without one have no box, and HTML and
// BODY cover the whole view. An element with display "none" (itself or an
// ancestor) has no box. ElementFromPoint returns the last element in document
// order whose box contains the point (the deepest one), else BODY.
//
// Test hooks: an element with the attribute data-no-style has no style object.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "browser/browser_port.h"
#include "testing/sim/fault_injector.h"
#include "testing/sim/html_tree.h"

namespace qm::sim {

// The tree of one document with its element indexes, shared by the document and
// every element and collection taken from it.
class DomTree {
public:
    explicit DomTree(NodePtr root);

    const NodePtr& Root() const { return root_; }
    // Elements in document order (the all-elements collection).
    const std::vector<Node*>& All();
    // Elements with this upper-case tag, in document order.
    const std::vector<Node*>& Tagged(const std::string& upperTag);
    Node* FindFirst(const std::string& upperTag);
    // Elements with a data-box attribute, in document order.
    const std::vector<Node*>& Boxed();
    // Replaces node's children with the given nodes; old children are detached.
    void ReplaceChildren(Node& node, std::vector<NodePtr> children);
    // Call after any change to the tree's shape.
    void Invalidate();

    int viewWidth = 1024;
    int viewHeight = 768;
    FaultInjectorPtr faults;

private:
    void Rebuild();

    NodePtr root_;
    bool dirty_ = true;
    std::vector<Node*> all_;
    std::vector<Node*> boxed_;
    std::unordered_map<std::string, std::vector<Node*>> tagged_;
};

class SimElement : public Element {
public:
    SimElement(std::shared_ptr<DomTree> tree, NodePtr node);

    std::uintptr_t Identity() const override;
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
    bool SetSrc(const std::string& src);  // IMG only
    bool CodeBase(std::string& out) override;

    const NodePtr& GetNode() const { return node_; }

private:
    bool Fail() const;

    std::shared_ptr<DomTree> tree_;
    NodePtr node_;
};

// A live view of the document's elements: all of them, or those of one tag.
class SimCollection : public ElementCollection {
public:
    SimCollection(std::shared_ptr<DomTree> tree, std::string upperTag);  // empty tag: all
    bool Length(int& out) override;
    ElementPtr Item(int index) override;

private:
    const std::vector<Node*>& Elements();

    std::shared_ptr<DomTree> tree_;
    std::string tag_;
};

class SimDocument : public Document {
public:
    // Reads html as the page at url. title overrides the TITLE element when not empty.
    SimDocument(std::string url, const std::string& html, std::string title = std::string(),
                FaultInjectorPtr faults = nullptr);

    bool Url(std::string& out) override;
    bool Title(std::string& out) override;
    ElementPtr Body() override;
    CollectionPtr All() override;
    CollectionPtr Tags(const std::string& tag) override;
    CollectionPtr Images();
    ElementPtr ElementFromPoint(int x, int y) override;

    // Driving and inspection (never fail).
    void SetViewSize(int width, int height);
    void SetFaults(FaultInjectorPtr faults) { tree_->faults = std::move(faults); }
    // Removes BODY, for a page without a body.
    void RemoveBody();
    // Element wrappers without failure injection.
    ElementPtr ElementAt(int sourceIndex);
    std::shared_ptr<SimElement> FirstByTag(const std::string& upperTag);
    // The element whose attribute id equals id (first in document order).
    std::shared_ptr<SimElement> ElementById(const std::string& id);
    // The element's box in client coordinates; false when it has none.
    bool BoxOf(const Element& element, int& x, int& y, int& w, int& h);
    const std::shared_ptr<DomTree>& Tree() const { return tree_; }

private:
    bool Fail() const;
    std::shared_ptr<SimElement> Wrap(Node* node) const;

    std::string url_;
    std::string title_;
    std::shared_ptr<DomTree> tree_;
};

using SimDocumentPtr = std::shared_ptr<SimDocument>;

// The box of a node: from data-box, BODY/HTML cover the view; false when it has
// none (no data-box, or display none on it or an ancestor).
bool NodeBox(const Node& node, int viewWidth, int viewHeight, int& x, int& y, int& w, int& h);

}  // namespace qm::sim
