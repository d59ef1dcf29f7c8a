// Gives a document read by the simulated page's HTML reader the shape every
// browser gives it: one HTML element holding HEAD and BODY.
#include <utility>
#include <vector>

#include "testing/sim/html_parts.h"

namespace qm::sim {

void Normalise(Node& root) {
    NodePtr html;
    for (const NodePtr& child : root.children) {
        if (child->IsElement() && child->tag == "HTML") {
            html = child;
            break;
        }
    }
    if (!html) {
        html = MakeElement("HTML");
    }
    // Root level: keep raw nodes and blank text before HTML, move the rest into it.
    std::vector<NodePtr> rootKept;
    std::vector<NodePtr> before;
    std::vector<NodePtr> after;
    bool seenHtml = false;
    bool seenContent = false;
    for (std::size_t i = 0; i < root.children.size(); ++i) {
        NodePtr child = TakeChild(root, i);
        if (child == html) {
            seenHtml = true;
            continue;
        }
        const bool keep = !seenHtml && !seenContent &&
                          (child->kind == NodeKind::kRaw || IsWhitespaceText(*child));
        if (keep) {
            rootKept.push_back(std::move(child));
        } else {
            seenContent = true;
            (seenHtml ? after : before).push_back(std::move(child));
        }
    }
    std::vector<NodePtr> htmlChildren = std::move(before);
    for (std::size_t i = 0; i < html->children.size(); ++i) {
        htmlChildren.push_back(TakeChild(*html, i));
    }
    for (NodePtr& n : after) {
        htmlChildren.push_back(std::move(n));
    }

    // HTML level: HEAD then BODY (or FRAMESET); head elements before the body go
    // to the head, other content to the body.
    NodePtr head;
    NodePtr body;
    for (const NodePtr& n : htmlChildren) {
        if (n->IsElement() && n->tag == "HEAD" && !head) {
            head = n;
        }
        if (n->IsElement() && (n->tag == "BODY" || n->tag == "FRAMESET") && !body) {
            body = n;
        }
    }
    std::vector<NodePtr> newChildren;
    std::vector<NodePtr> bodyFront;
    std::vector<NodePtr> bodyBack;
    bool headPlaced = false;
    bool seenBody = false;
    for (NodePtr& n : htmlChildren) {
        if (n == head) {
            if (!headPlaced) {
                newChildren.push_back(n);
                headPlaced = true;
            }
        } else if (n == body) {
            if (!headPlaced) {
                head = head ? head : MakeElement("HEAD");
                newChildren.push_back(head);
                headPlaced = true;
            }
            newChildren.push_back(n);
            seenBody = true;
        } else if (n->kind == NodeKind::kRaw || IsWhitespaceText(*n)) {
            newChildren.push_back(std::move(n));
        } else if (!seenBody && bodyFront.empty() && n->IsElement() && IsHeadTag(n->tag)) {
            if (!head) {
                head = MakeElement("HEAD");
            }
            if (!headPlaced) {
                newChildren.push_back(head);
                headPlaced = true;
            }
            head->AppendChild(std::move(n));
        } else {
            (seenBody ? bodyBack : bodyFront).push_back(std::move(n));
        }
    }
    if (!head) {
        head = MakeElement("HEAD");
    }
    if (!headPlaced) {
        newChildren.push_back(head);
    }
    if (!body) {
        body = MakeElement("BODY");
        newChildren.push_back(body);
    }
    std::vector<NodePtr> bodyChildren = std::move(bodyFront);
    for (std::size_t i = 0; i < body->children.size(); ++i) {
        bodyChildren.push_back(TakeChild(*body, i));
    }
    for (NodePtr& n : bodyBack) {
        bodyChildren.push_back(std::move(n));
    }
    body->children.clear();
    for (NodePtr& n : bodyChildren) {
        body->AppendChild(std::move(n));
    }
    html->children.clear();
    for (NodePtr& n : newChildren) {
        html->AppendChild(std::move(n));
    }
    root.children.clear();
    for (NodePtr& n : rootKept) {
        root.AppendChild(std::move(n));
    }
    root.AppendChild(html);
}


}  // namespace qm::sim
