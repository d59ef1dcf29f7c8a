// Small pieces shared by the simulated page's HTML reader and the step that
// gives a read document its HTML, HEAD and BODY elements.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

#include "testing/sim/html_tree.h"

namespace qm::sim {

inline bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}


// Elements that belong in HEAD when they come before any content.
inline bool IsHeadTag(std::string_view tag) {
    return tag == "TITLE" || tag == "META" || tag == "LINK" || tag == "BASE" || tag == "STYLE" ||
           tag == "SCRIPT";
}

inline bool IsWhitespaceText(const Node& node) {
    if (node.kind != NodeKind::kText) {
        return false;
    }
    return std::all_of(node.text.begin(), node.text.end(), IsSpace);
}

inline NodePtr MakeElement(const std::string& tag) {
    auto node = std::make_shared<Node>(NodeKind::kElement);
    node->tag = tag;
    return node;
}

// Takes the child out of its parent's list position (the caller clears the list).
inline NodePtr TakeChild(Node& parent, std::size_t index) {
    NodePtr child = parent.children[index];
    child->parent = nullptr;
    return child;
}

// Gives a read document its HTML element with HEAD and BODY, moving stray
// content into them in order.
void Normalise(Node& root);

}  // namespace qm::sim
