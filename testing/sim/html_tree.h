// The node tree of a simulated page: an HTML reader that tolerates bad markup
// and a writer that serialises nodes back (attribute order kept). Portable.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qm::sim {

enum class NodeKind {
    kDocument,  // the root; its element children are the page (normally one HTML)
    kElement,
    kText,  // character data, kept exactly as written
    kRaw,   // comments, doctype and other markup written back unchanged
};

struct Attribute {
    std::string name;  // as written
    std::string value;
    bool hasValue = true;  // false: written as a bare name
};

class Node : public std::enable_shared_from_this<Node> {
public:
    explicit Node(NodeKind kind) : kind(kind) {}
    ~Node();
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    NodeKind kind;
    std::string tag;   // elements: upper case ("IMG", "BODY", ...)
    std::string text;  // text and raw nodes
    std::vector<Attribute> attributes;
    std::vector<std::shared_ptr<Node>> children;
    Node* parent = nullptr;  // null at the root and for detached nodes
    int sourceIndex = -1;    // maintained by the owning tree; -1 when detached

    bool IsElement() const { return kind == NodeKind::kElement; }
    // Case-insensitive lookup by name; null when absent.
    const Attribute* FindAttribute(std::string_view name) const;
    // Replaces the value (keeping the attribute's place) or appends a new one.
    void SetAttribute(std::string_view name, const std::string& value);
    void RemoveAttribute(std::string_view name);
    // Appends child, taking it from no parent.
    void AppendChild(std::shared_ptr<Node> child);
};
using NodePtr = std::shared_ptr<Node>;

// Elements that have no content and no end tag (IMG, BR, INPUT, META, ...).
bool IsVoidTag(std::string_view upperTag);

// Elements whose content is text up to their end tag (SCRIPT, STYLE, ...).
bool IsRawTextTag(std::string_view upperTag);

// Reads a whole page. The result is a document node holding HTML with HEAD and
// BODY, created when the text lacks them. Never fails: any input gives a tree.
NodePtr ParseHtmlDocument(std::string_view html);

// Reads markup as the content of an element (for inner HTML): HTML, HEAD and
// BODY tags inside it are ignored; their content is kept.
std::vector<NodePtr> ParseHtmlFragment(std::string_view html);

// Serialises a node with its tag (outer HTML) or only its content (inner HTML).
void WriteOuterHtml(const Node& node, std::string& out);
void WriteInnerHtml(const Node& node, std::string& out);

// The value of one property of an inline style text ("display: none; color: red"):
// the last declaration of that name wins; empty when absent.
std::string StyleProperty(std::string_view style, std::string_view property);
// The style text with that property set to value (empty value: removed). Other
// declarations keep their order and text.
std::string WithStyleProperty(std::string_view style, std::string_view property,
                              std::string_view value);

}  // namespace qm::sim
