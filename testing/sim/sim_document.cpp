// The simulated page's document, collections and boxes.
#include "testing/sim/sim_document.h"

#include <algorithm>
#include <cctype>
#include <sstream>

namespace qm::sim {

namespace {

bool HiddenByStyle(const Node& node) {
    const Attribute* style = node.FindAttribute("style");
    return style && StyleProperty(style->value, "display") == "none";
}

// Reads "x y w h" (spaces or commas between the numbers).
bool ParseBox(const std::string& text, int& x, int& y, int& w, int& h) {
    std::string spaced = text;
    std::replace(spaced.begin(), spaced.end(), ',', ' ');
    std::istringstream in(spaced);
    long v[4];
    for (long& n : v) {
        if (!(in >> n) || n < -1000000 || n > 1000000) {
            return false;
        }
    }
    if (v[2] < 0 || v[3] < 0) {
        return false;
    }
    x = static_cast<int>(v[0]);
    y = static_cast<int>(v[1]);
    w = static_cast<int>(v[2]);
    h = static_cast<int>(v[3]);
    return true;
}

void Detach(Node& node) {
    node.parent = nullptr;
    std::vector<Node*> pending{&node};
    while (!pending.empty()) {
        Node* n = pending.back();
        pending.pop_back();
        n->sourceIndex = -1;
        for (const NodePtr& child : n->children) {
            pending.push_back(child.get());
        }
    }
}

}  // namespace

bool NodeBox(const Node& node, int viewWidth, int viewHeight, int& x, int& y, int& w, int& h) {
    if (!node.IsElement()) {
        return false;
    }
    const Attribute* box = node.FindAttribute("data-box");
    const bool covers = node.tag == "HTML" || node.tag == "BODY" || node.tag == "FRAMESET";
    if (!box && !covers) {
        return false;
    }
    // Only an attached element that is not hidden (itself or an ancestor) has a box.
    const Node* n = &node;
    while (n->kind != NodeKind::kDocument) {
        if (HiddenByStyle(*n) || !n->parent) {
            return false;
        }
        n = n->parent;
    }
    if (box && box->hasValue) {
        return ParseBox(box->value, x, y, w, h);
    }
    if (!covers) {
        return false;
    }
    x = 0;
    y = 0;
    w = viewWidth;
    h = viewHeight;
    return true;
}

// ---- DomTree

DomTree::DomTree(NodePtr root) : root_(std::move(root)) {}

const std::vector<Node*>& DomTree::All() {
    if (dirty_) {
        Rebuild();
    }
    return all_;
}

const std::vector<Node*>& DomTree::Tagged(const std::string& upperTag) {
    if (dirty_) {
        Rebuild();
    }
    auto it = tagged_.find(upperTag);
    if (it != tagged_.end()) {
        return it->second;
    }
    std::vector<Node*>& list = tagged_[upperTag];
    for (Node* n : all_) {
        if (n->tag == upperTag) {
            list.push_back(n);
        }
    }
    return list;
}

Node* DomTree::FindFirst(const std::string& upperTag) {
    const std::vector<Node*>& list = Tagged(upperTag);
    return list.empty() ? nullptr : list.front();
}

const std::vector<Node*>& DomTree::Boxed() {
    if (dirty_) {
        Rebuild();
    }
    return boxed_;
}

void DomTree::ReplaceChildren(Node& node, std::vector<NodePtr> children) {
    for (const NodePtr& old : node.children) {
        Detach(*old);
    }
    node.children.clear();
    for (NodePtr& child : children) {
        node.AppendChild(std::move(child));
    }
    Invalidate();
}

void DomTree::Invalidate() {
    dirty_ = true;
    tagged_.clear();
}

void DomTree::Rebuild() {
    all_.clear();
    boxed_.clear();
    tagged_.clear();
    std::vector<Node*> pending{root_.get()};
    while (!pending.empty()) {
        Node* n = pending.back();
        pending.pop_back();
        if (n->IsElement()) {
            n->sourceIndex = static_cast<int>(all_.size());
            all_.push_back(n);
            if (n->FindAttribute("data-box")) {
                boxed_.push_back(n);
            }
        }
        for (auto it = n->children.rbegin(); it != n->children.rend(); ++it) {
            pending.push_back(it->get());
        }
    }
    dirty_ = false;
}

// ---- SimElement

SimElement::SimElement(std::shared_ptr<DomTree> tree, NodePtr node)
    : tree_(std::move(tree)), node_(std::move(node)) {}

bool SimElement::Fail() const {
    return InjectFault(tree_->faults, FaultSite::kElement);
}

std::uintptr_t SimElement::Identity() const {
    return reinterpret_cast<std::uintptr_t>(node_.get());
}

bool SimElement::TagName(std::string& out) {
    if (Fail()) {
        return false;
    }
    out = node_->tag;
    return true;
}

bool SimElement::SourceIndex(int& out) {
    if (Fail()) {
        return false;
    }
    tree_->All();
    out = node_->sourceIndex;
    return out >= 0;
}

bool SimElement::OuterHtml(std::string& out) {
    if (Fail()) {
        return false;
    }
    out.clear();
    WriteOuterHtml(*node_, out);
    return true;
}

bool SimElement::InnerHtml(std::string& out) {
    if (Fail()) {
        return false;
    }
    out.clear();
    WriteInnerHtml(*node_, out);
    return true;
}

bool SimElement::SetInnerHtml(const std::string& html) {
    if (Fail() || IsVoidTag(node_->tag)) {
        return false;
    }
    std::vector<NodePtr> children;
    if (IsRawTextTag(node_->tag)) {
        if (!html.empty()) {
            auto text = std::make_shared<Node>(NodeKind::kText);
            text->text = html;
            children.push_back(std::move(text));
        }
    } else {
        children = ParseHtmlFragment(html);
    }
    tree_->ReplaceChildren(*node_, std::move(children));
    return true;
}

bool SimElement::OffsetWidth(int& out) {
    if (Fail()) {
        return false;
    }
    int x = 0, y = 0, h = 0;
    out = 0;
    NodeBox(*node_, tree_->viewWidth, tree_->viewHeight, x, y, out, h);
    return true;
}

bool SimElement::OffsetHeight(int& out) {
    if (Fail()) {
        return false;
    }
    int x = 0, y = 0, w = 0;
    out = 0;
    NodeBox(*node_, tree_->viewWidth, tree_->viewHeight, x, y, w, out);
    return true;
}

bool SimElement::StyleDisplay(std::string& out) {
    if (Fail() || node_->FindAttribute("data-no-style")) {
        return false;
    }
    const Attribute* style = node_->FindAttribute("style");
    out = style ? StyleProperty(style->value, "display") : std::string();
    return true;
}

bool SimElement::SetStyleDisplay(const std::string& display) {
    if (Fail() || node_->FindAttribute("data-no-style")) {
        return false;
    }
    const Attribute* style = node_->FindAttribute("style");
    const std::string text =
        WithStyleProperty(style ? style->value : std::string(), "display", display);
    if (style || !text.empty()) {
        node_->SetAttribute("style", text);
    }
    return true;
}

bool SimElement::Src(std::string& out) {
    const std::string& tag = node_->tag;
    if (Fail() || !(tag == "IMG" || tag == "EMBED" || tag == "IFRAME" || tag == "FRAME")) {
        return false;
    }
    const Attribute* src = node_->FindAttribute("src");
    out = src ? src->value : std::string();
    return true;
}

bool SimElement::SetSrc(const std::string& src) {
    if (Fail() || node_->tag != "IMG") {
        return false;
    }
    node_->SetAttribute("src", src);
    return true;
}

bool SimElement::CodeBase(std::string& out) {
    if (Fail() || node_->tag != "OBJECT") {
        return false;
    }
    const Attribute* codeBase = node_->FindAttribute("codebase");
    out = codeBase ? codeBase->value : std::string();
    return true;
}

// ---- SimCollection

SimCollection::SimCollection(std::shared_ptr<DomTree> tree, std::string upperTag)
    : tree_(std::move(tree)), tag_(std::move(upperTag)) {}

const std::vector<Node*>& SimCollection::Elements() {
    return tag_.empty() ? tree_->All() : tree_->Tagged(tag_);
}

bool SimCollection::Length(int& out) {
    if (InjectFault(tree_->faults, FaultSite::kCollection)) {
        return false;
    }
    out = static_cast<int>(Elements().size());
    return true;
}

ElementPtr SimCollection::Item(int index) {
    if (InjectFault(tree_->faults, FaultSite::kCollection)) {
        return nullptr;
    }
    const std::vector<Node*>& elements = Elements();
    if (index < 0 || static_cast<std::size_t>(index) >= elements.size()) {
        return nullptr;
    }
    Node* node = elements[static_cast<std::size_t>(index)];
    return std::make_shared<SimElement>(tree_, node->shared_from_this());
}

}  // namespace qm::sim
