// The HTML reader of the simulated page: a tolerant tokenizer and a small tree
// builder. Unknown or broken markup never fails; it becomes text or is ignored.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <utility>

#include "testing/sim/html_parts.h"
#include "testing/sim/html_tree.h"

namespace qm::sim {

namespace {

// Deeper elements are still read but attached to the deepest open one.
constexpr std::size_t kMaxDepth = 512;

bool IsLetter(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) != 0;
}

std::string Upper(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return out;
}

bool StartsWithNoCase(std::string_view text, std::size_t at, std::string_view prefix) {
    if (text.size() - at < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[at + i])) !=
            std::tolower(static_cast<unsigned char>(prefix[i]))) {
            return false;
        }
    }
    return true;
}

NodePtr MakeText(std::string_view text) {
    auto node = std::make_shared<Node>(NodeKind::kText);
    node->text.assign(text);
    return node;
}

struct Tag {
    std::string name;  // upper case
    std::vector<Attribute> attributes;
    bool selfClosing = false;
};

class Reader {
public:
    Reader(std::string_view html, bool fragment) : html_(html), fragment_(fragment) {
        root_ = std::make_shared<Node>(NodeKind::kDocument);
        stack_.push_back(root_.get());
    }

    NodePtr Run() {
        while (pos_ < html_.size()) {
            if (html_[pos_] == '<') {
                ReadMarkup();
            } else {
                ReadText();
            }
        }
        return root_;
    }

private:
    Node& Top() { return *stack_.back(); }

    void AppendText(std::string_view text) {
        if (text.empty()) {
            return;
        }
        if (!std::all_of(text.begin(), text.end(), IsSpace)) {
            LeaveHead();
        }
        Node& top = Top();
        if (!top.children.empty() && top.children.back()->kind == NodeKind::kText) {
            top.children.back()->text.append(text);
        } else {
            top.AppendChild(MakeText(text));
        }
    }

    void ReadText() {
        std::size_t end = html_.find('<', pos_ + 1);
        if (end == std::string_view::npos) {
            end = html_.size();
        }
        AppendText(html_.substr(pos_, end - pos_));
        pos_ = end;
    }

    // A comment or declaration from pos_ to end; one cut off by the end of the
    // text is completed, so that writing it back and reading again is stable.
    void AppendRaw(std::size_t end, std::string_view missing = std::string_view()) {
        auto node = std::make_shared<Node>(NodeKind::kRaw);
        node->text.assign(html_.substr(pos_, end - pos_));
        node->text.append(missing);
        Top().AppendChild(std::move(node));
        pos_ = end;
    }

    void ReadMarkup() {
        const std::size_t next = pos_ + 1;
        if (html_.compare(pos_, 4, "<!--") == 0) {
            const std::size_t close = html_.find("-->", pos_ + 4);
            if (close == std::string_view::npos) {
                AppendRaw(html_.size(), "-->");
            } else {
                AppendRaw(close + 3);
            }
        } else if (next < html_.size() && (html_[next] == '!' || html_[next] == '?')) {
            const std::size_t close = html_.find('>', next);
            if (close == std::string_view::npos) {
                AppendRaw(html_.size(), ">");
            } else {
                AppendRaw(close + 1);
            }
        } else if (next + 1 < html_.size() && html_[next] == '/' && IsLetter(html_[next + 1])) {
            pos_ = next + 1;
            const std::string name = Upper(ReadName());
            const std::size_t close = html_.find('>', pos_);
            pos_ = close == std::string_view::npos ? html_.size() : close + 1;
            EndTag(name);
        } else if (next < html_.size() && IsLetter(html_[next])) {
            pos_ = next;
            Tag tag = ReadTag();
            StartTag(std::move(tag));
        } else {
            AppendText(html_.substr(pos_, 1));
            ++pos_;
        }
    }

    std::string_view ReadName() {
        const std::size_t start = pos_;
        while (pos_ < html_.size() && !IsSpace(html_[pos_]) && html_[pos_] != '/' &&
               html_[pos_] != '>') {
            ++pos_;
        }
        return html_.substr(start, pos_ - start);
    }

    void SkipSpace() {
        while (pos_ < html_.size() && IsSpace(html_[pos_])) {
            ++pos_;
        }
    }

    Tag ReadTag() {
        Tag tag;
        tag.name = Upper(ReadName());
        while (true) {
            SkipSpace();
            if (pos_ >= html_.size()) {
                return tag;
            }
            const char c = html_[pos_];
            if (c == '>') {
                ++pos_;
                return tag;
            }
            if (c == '/') {
                ++pos_;
                if (pos_ < html_.size() && html_[pos_] == '>') {
                    tag.selfClosing = true;
                    ++pos_;
                    return tag;
                }
                continue;
            }
            ReadAttribute(tag);
        }
    }

    void ReadAttribute(Tag& tag) {
        Attribute a;
        const std::size_t start = pos_++;  // the first character always belongs to the name
        while (pos_ < html_.size() && !IsSpace(html_[pos_]) && html_[pos_] != '=' &&
               html_[pos_] != '>' && html_[pos_] != '/') {
            ++pos_;
        }
        a.name.assign(html_.substr(start, pos_ - start));
        SkipSpace();
        if (pos_ < html_.size() && html_[pos_] == '=') {
            ++pos_;
            SkipSpace();
            a.value = ReadValue();
        } else {
            a.hasValue = false;
        }
        // A name that starts with "=" is garbage (and would be read as the value
        // of a preceding bare name when written back): dropped.
        const bool garbage = a.name[0] == '=';
        const bool duplicate =
            garbage ||
            std::any_of(tag.attributes.begin(), tag.attributes.end(), [&](const Attribute& b) {
                return b.name.size() == a.name.size() && Upper(b.name) == Upper(a.name);
            });
        if (!duplicate) {
            tag.attributes.push_back(std::move(a));
        }
    }

    std::string ReadValue() {
        if (pos_ >= html_.size()) {
            return std::string();
        }
        const char quote = html_[pos_];
        if (quote == '"' || quote == '\'') {
            const std::size_t close = html_.find(quote, pos_ + 1);
            const std::size_t end = close == std::string_view::npos ? html_.size() : close;
            std::string value(html_.substr(pos_ + 1, end - pos_ - 1));
            pos_ = close == std::string_view::npos ? html_.size() : close + 1;
            return Decode(value);
        }
        const std::size_t start = pos_;
        while (pos_ < html_.size() && !IsSpace(html_[pos_]) && html_[pos_] != '>') {
            ++pos_;
        }
        return Decode(std::string(html_.substr(start, pos_ - start)));
    }

    // Only "&quot;" is decoded: it is what the writer produces for a value with
    // both kinds of quote. Everything else stays as the page states it.
    static std::string Decode(std::string value) {
        std::size_t p = 0;
        while ((p = value.find("&quot;", p)) != std::string::npos) {
            value.replace(p, 6, "\"");
            ++p;
        }
        return value;
    }

    bool IsOpen(const std::string& tag) const {
        return std::any_of(stack_.begin(), stack_.end(),
                           [&](const Node* n) { return n->IsElement() && n->tag == tag; });
    }

    bool IsStructural(const std::string& tag) const {
        return tag == "HTML" || tag == "HEAD" || tag == "BODY" || (tag == "FRAMESET" && !sawBody_);
    }

    // A document takes HTML, HEAD and BODY (or a FRAMESET in its place) once
    // each, and only at the top of the page; a fragment takes none of them.
    bool AcceptStructural(const std::string& tag) {
        if (fragment_) {
            return false;
        }
        if (tag == "BODY" || tag == "FRAMESET") {
            LeaveHead();
        }
        const bool atRoot = stack_.size() == 1;
        const bool atHtml = stack_.size() == 2 && Top().tag == "HTML";
        if (tag == "HTML") {
            return !std::exchange(sawHtml_, true) && atRoot;
        }
        if (tag == "HEAD") {
            if (sawHead_ || sawBody_ || !(atRoot || atHtml)) {
                return false;
            }
            sawHead_ = true;
            return true;
        }
        if (sawBody_ || !(atRoot || atHtml)) {
            return tag == "FRAMESET";  // a frameset inside the page is an element
        }
        sawBody_ = true;
        sawHead_ = true;  // no HEAD after the body
        return true;
    }

    // Page content ends an open HEAD of a document.
    void LeaveHead() {
        if (!fragment_ && stack_.size() > 1 && Top().tag == "HEAD") {
            stack_.pop_back();
        }
    }

    // Start tags that end an open element of their own kind.
    void CloseImplied(const std::string& tag) {
        static constexpr std::string_view kSelfEnding[] = {"P",  "LI", "OPTION", "DT",
                                                           "DD", "TR", "TD",     "TH"};
        if (stack_.size() < 2) {
            return;
        }
        const std::string& top = Top().tag;
        if ((tag == "TD" || tag == "TH" || tag == "TR") && (top == "TD" || top == "TH")) {
            stack_.pop_back();
            if (tag == "TR" && stack_.size() > 1 && Top().tag == "TR") {
                stack_.pop_back();
            }
            return;
        }
        if (top == tag && std::find(std::begin(kSelfEnding), std::end(kSelfEnding), tag) !=
                              std::end(kSelfEnding)) {
            stack_.pop_back();
        }
    }

    void StartTag(Tag tag) {
        if (IsStructural(tag.name) && !AcceptStructural(tag.name)) {
            return;  // misplaced or repeated: its content stays where it is
        }
        if (tag.name == "BODY" || !IsHeadTag(tag.name)) {
            LeaveHead();
        }
        CloseImplied(tag.name);
        NodePtr element = MakeElement(tag.name);
        element->attributes = std::move(tag.attributes);
        Node* raw = element.get();
        Top().AppendChild(std::move(element));
        if (IsVoidTag(tag.name) || tag.selfClosing) {
            return;
        }
        if (IsRawTextTag(tag.name)) {
            ReadRawText(*raw);
            return;
        }
        if (stack_.size() < kMaxDepth) {
            stack_.push_back(raw);
        }
    }

    void ReadRawText(Node& element) {
        const std::string end = "</" + element.tag;
        std::size_t p = pos_;
        while (true) {
            p = html_.find("</", p);
            if (p == std::string_view::npos) {
                p = html_.size();
                break;
            }
            const std::size_t after = p + end.size();
            if (StartsWithNoCase(html_, p, end) &&
                (after >= html_.size() || IsSpace(html_[after]) || html_[after] == '>' ||
                 html_[after] == '/')) {
                break;
            }
            p += 2;
        }
        if (p > pos_) {
            element.AppendChild(MakeText(html_.substr(pos_, p - pos_)));
        }
        pos_ = p;
        if (pos_ < html_.size()) {
            const std::size_t close = html_.find('>', pos_);
            pos_ = close == std::string_view::npos ? html_.size() : close + 1;
        }
    }

    void EndTag(const std::string& tag) {
        if (tag == "HTML" || tag == "BODY") {
            return;  // later content still belongs to the body
        }
        if (!IsOpen(tag)) {
            return;  // a stray end tag
        }
        while (stack_.size() > 1) {
            const bool match = Top().tag == tag;
            stack_.pop_back();
            if (match) {
                return;
            }
        }
    }

    std::string_view html_;
    bool fragment_;
    std::size_t pos_ = 0;
    NodePtr root_;
    std::vector<Node*> stack_;
    bool sawHtml_ = false;
    bool sawHead_ = false;
    bool sawBody_ = false;
};

}  // namespace

NodePtr ParseHtmlDocument(std::string_view html) {
    NodePtr root = Reader(html, false).Run();
    Normalise(*root);
    return root;
}

std::vector<NodePtr> ParseHtmlFragment(std::string_view html) {
    NodePtr root = Reader(html, true).Run();
    std::vector<NodePtr> out;
    for (std::size_t i = 0; i < root->children.size(); ++i) {
        out.push_back(TakeChild(*root, i));
    }
    root->children.clear();
    return out;
}

}  // namespace qm::sim
