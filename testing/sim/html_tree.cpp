// Node operations and the writer of the simulated page tree.
#include "testing/sim/html_tree.h"

#include <algorithm>
#include <cctype>

namespace qm::sim {

namespace {

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

void WriteAttribute(const Attribute& a, std::string& out) {
    out += ' ';
    out += a.name;
    if (!a.hasValue) {
        return;
    }
    const bool hasDouble = a.value.find('"') != std::string::npos;
    const bool hasSingle = a.value.find('\'') != std::string::npos;
    if (hasDouble && !hasSingle) {
        out += "='";
        out += a.value;
        out += '\'';
        return;
    }
    out += "=\"";
    if (hasDouble) {
        for (char c : a.value) {
            if (c == '"') {
                out += "&quot;";
            } else {
                out += c;
            }
        }
    } else {
        out += a.value;
    }
    out += '"';
}

// Text as written, except that a "<" which could start markup when read back
// is written as "&lt;".
void WriteText(const std::string& text, std::string& out) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        // At the end, what follows is another node: it may be text too.
        const char next = i + 1 < text.size() ? text[i + 1] : 'a';
        if (text[i] == '<' && (std::isalpha(static_cast<unsigned char>(next)) || next == '/' ||
                               next == '!' || next == '?')) {
            out += "&lt;";
        } else {
            out += text[i];
        }
    }
}

void WriteStartTag(const Node& node, std::string& out) {
    out += '<';
    out += node.tag;
    for (const Attribute& a : node.attributes) {
        WriteAttribute(a, out);
    }
    out += '>';
}

// Writes the children of node depth first without recursion, so that deep
// trees cannot exhaust the stack.
void WriteChildren(const Node& top, std::string& out) {
    struct Frame {
        const Node* node;
        std::size_t next;
    };
    std::vector<Frame> stack;
    stack.push_back({&top, 0});
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.next >= frame.node->children.size()) {
            const Node* done = frame.node;
            stack.pop_back();
            if (!stack.empty() && done->IsElement()) {
                out += "</";
                out += done->tag;
                out += '>';
            }
            continue;
        }
        const Node& child = *frame.node->children[frame.next++];
        if (child.kind == NodeKind::kText && !IsRawTextTag(frame.node->tag)) {
            WriteText(child.text, out);
            continue;
        }
        if (!child.IsElement()) {
            out += child.text;
            continue;
        }
        WriteStartTag(child, out);
        if (!IsVoidTag(child.tag)) {
            stack.push_back({&child, 0});
        }
    }
}

std::string Trim(std::string_view s) {
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) {
        ++b;
    }
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) {
        --e;
    }
    return std::string(s.substr(b, e - b));
}

// Splits a style text into its declarations (separated by ';').
std::vector<std::string_view> Declarations(std::string_view style) {
    std::vector<std::string_view> out;
    std::size_t start = 0;
    while (start <= style.size()) {
        std::size_t end = style.find(';', start);
        if (end == std::string_view::npos) {
            end = style.size();
        }
        out.push_back(style.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

bool DeclarationIs(std::string_view declaration, std::string_view property, std::string* value) {
    const std::size_t colon = declaration.find(':');
    if (colon == std::string_view::npos) {
        return false;
    }
    if (!EqualsNoCase(Trim(declaration.substr(0, colon)), property)) {
        return false;
    }
    if (value) {
        *value = Trim(declaration.substr(colon + 1));
    }
    return true;
}

}  // namespace

Node::~Node() {
    // Tear the subtree down iteratively: a deep tree must not recurse.
    std::vector<NodePtr> pending;
    for (NodePtr& child : children) {
        child->parent = nullptr;
        pending.push_back(std::move(child));
    }
    children.clear();
    while (!pending.empty()) {
        NodePtr node = std::move(pending.back());
        pending.pop_back();
        if (node.use_count() == 1) {
            for (NodePtr& child : node->children) {
                child->parent = nullptr;
                pending.push_back(std::move(child));
            }
            node->children.clear();
        }
    }
}

const Attribute* Node::FindAttribute(std::string_view name) const {
    for (const Attribute& a : attributes) {
        if (EqualsNoCase(a.name, name)) {
            return &a;
        }
    }
    return nullptr;
}

void Node::SetAttribute(std::string_view name, const std::string& value) {
    for (Attribute& a : attributes) {
        if (EqualsNoCase(a.name, name)) {
            a.value = value;
            a.hasValue = true;
            return;
        }
    }
    attributes.push_back({std::string(name), value, true});
}

void Node::RemoveAttribute(std::string_view name) {
    attributes.erase(std::remove_if(attributes.begin(), attributes.end(),
                                    [&](const Attribute& a) { return EqualsNoCase(a.name, name); }),
                     attributes.end());
}

void Node::AppendChild(NodePtr child) {
    child->parent = this;
    children.push_back(std::move(child));
}

bool IsVoidTag(std::string_view tag) {
    static constexpr std::string_view kVoid[] = {
        "AREA",  "BASE",    "BASEFONT", "BGSOUND", "BR",   "COL",   "EMBED",  "FRAME", "HR", "IMG",
        "INPUT", "ISINDEX", "KEYGEN",   "LINK",    "META", "PARAM", "SOURCE", "TRACK", "WBR"};
    return std::find(std::begin(kVoid), std::end(kVoid), tag) != std::end(kVoid);
}

bool IsRawTextTag(std::string_view tag) {
    return tag == "SCRIPT" || tag == "STYLE" || tag == "TEXTAREA" || tag == "TITLE" || tag == "XMP";
}

void WriteOuterHtml(const Node& node, std::string& out) {
    if (!node.IsElement()) {
        if (node.kind == NodeKind::kDocument) {
            WriteChildren(node, out);
        } else {
            out += node.text;
        }
        return;
    }
    WriteStartTag(node, out);
    if (IsVoidTag(node.tag)) {
        return;
    }
    WriteChildren(node, out);
    out += "</";
    out += node.tag;
    out += '>';
}

void WriteInnerHtml(const Node& node, std::string& out) {
    WriteChildren(node, out);
}

std::string StyleProperty(std::string_view style, std::string_view property) {
    std::string result;
    std::string value;
    for (std::string_view d : Declarations(style)) {
        if (DeclarationIs(d, property, &value)) {
            result = value;
        }
    }
    return result;
}

std::string WithStyleProperty(std::string_view style, std::string_view property,
                              std::string_view value) {
    std::string out;
    for (std::string_view d : Declarations(style)) {
        if (DeclarationIs(d, property, nullptr) || Trim(d).empty()) {
            continue;
        }
        if (!out.empty()) {
            out += "; ";
        }
        out += Trim(d);
    }
    if (!value.empty()) {
        if (!out.empty()) {
            out += "; ";
        }
        out += std::string(property) + ": " + std::string(value);
    }
    return out;
}

}  // namespace qm::sim
