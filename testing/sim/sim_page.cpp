// SimDocument: the page of a simulated browser.
#include <algorithm>
#include <cctype>

#include "testing/sim/sim_document.h"

namespace qm::sim {

namespace {

std::string Upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return s;
}

}  // namespace

SimDocument::SimDocument(std::string url, const std::string& html, std::string title,
                         FaultInjectorPtr faults)
    : url_(std::move(url)),
      title_(std::move(title)),
      tree_(std::make_shared<DomTree>(ParseHtmlDocument(html))) {
    tree_->faults = std::move(faults);
}

bool SimDocument::Fail() const {
    return InjectFault(tree_->faults, FaultSite::kDocument);
}

std::shared_ptr<SimElement> SimDocument::Wrap(Node* node) const {
    if (!node) {
        return nullptr;
    }
    return std::make_shared<SimElement>(tree_, node->shared_from_this());
}

bool SimDocument::Url(std::string& out) {
    if (Fail()) {
        return false;
    }
    out = url_;
    return true;
}

bool SimDocument::Title(std::string& out) {
    if (Fail()) {
        return false;
    }
    if (!title_.empty()) {
        out = title_;
        return true;
    }
    out.clear();
    if (Node* title = tree_->FindFirst("TITLE")) {
        WriteInnerHtml(*title, out);
    }
    return true;
}

ElementPtr SimDocument::Body() {
    if (Fail()) {
        return nullptr;
    }
    Node* body = tree_->FindFirst("BODY");
    if (!body) {
        body = tree_->FindFirst("FRAMESET");
    }
    return Wrap(body);
}

CollectionPtr SimDocument::All() {
    if (Fail()) {
        return nullptr;
    }
    return std::make_shared<SimCollection>(tree_, std::string());
}

CollectionPtr SimDocument::Tags(const std::string& tag) {
    if (Fail() || tag.empty()) {
        return nullptr;
    }
    return std::make_shared<SimCollection>(tree_, Upper(tag));
}

CollectionPtr SimDocument::Images() {
    if (Fail()) {
        return nullptr;
    }
    return std::make_shared<SimCollection>(tree_, "IMG");
}

ElementPtr SimDocument::ElementFromPoint(int x, int y) {
    if (Fail()) {
        return nullptr;
    }
    if (x < 0 || y < 0 || x >= tree_->viewWidth || y >= tree_->viewHeight) {
        return nullptr;
    }
    // Boxes only come from data-box, and a later element in document order lies
    // above an earlier one.
    const std::vector<Node*>& boxed = tree_->Boxed();
    for (auto it = boxed.rbegin(); it != boxed.rend(); ++it) {
        int bx = 0, by = 0, bw = 0, bh = 0;
        if (NodeBox(**it, tree_->viewWidth, tree_->viewHeight, bx, by, bw, bh) && x >= bx &&
            y >= by && x < bx + bw && y < by + bh) {
            return Wrap(*it);
        }
    }
    Node* fallback = tree_->FindFirst("BODY");
    if (!fallback) {
        fallback = tree_->FindFirst("FRAMESET");
    }
    return Wrap(fallback);
}

void SimDocument::SetViewSize(int width, int height) {
    tree_->viewWidth = std::max(0, width);
    tree_->viewHeight = std::max(0, height);
}

void SimDocument::RemoveBody() {
    for (const char* tag : {"BODY", "FRAMESET"}) {
        while (Node* body = tree_->FindFirst(tag)) {
            Node* parent = body->parent;
            if (!parent) {
                break;
            }
            std::vector<NodePtr> kept;
            for (const NodePtr& child : parent->children) {
                if (child.get() != body) {
                    kept.push_back(child);
                }
            }
            tree_->ReplaceChildren(*parent, std::move(kept));
        }
    }
}

ElementPtr SimDocument::ElementAt(int sourceIndex) {
    const std::vector<Node*>& all = tree_->All();
    if (sourceIndex < 0 || static_cast<std::size_t>(sourceIndex) >= all.size()) {
        return nullptr;
    }
    return Wrap(all[static_cast<std::size_t>(sourceIndex)]);
}

std::shared_ptr<SimElement> SimDocument::FirstByTag(const std::string& upperTag) {
    return Wrap(tree_->FindFirst(Upper(upperTag)));
}

std::shared_ptr<SimElement> SimDocument::ElementById(const std::string& id) {
    for (Node* n : tree_->All()) {
        const Attribute* a = n->FindAttribute("id");
        if (a && a->value == id) {
            return Wrap(n);
        }
    }
    return nullptr;
}

bool SimDocument::BoxOf(const Element& element, int& x, int& y, int& w, int& h) {
    const auto* sim = dynamic_cast<const SimElement*>(&element);
    if (!sim) {
        return false;
    }
    return NodeBox(*sim->GetNode(), tree_->viewWidth, tree_->viewHeight, x, y, w, h);
}

}  // namespace qm::sim
