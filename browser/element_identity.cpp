#include "browser/element_identity.h"

#include <algorithm>
#include <cctype>

namespace qm {

namespace {

std::string ObjectIdentity(const std::string& innerHtml, const std::string& codeBase) {
    std::string lower = innerHtml;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const std::size_t p = lower.find(".swf");
    if (p != std::string::npos && p > 0) {
        const std::string head = lower.substr(0, p + 4);
        const std::size_t slash = head.rfind('/');
        if (slash != std::string::npos) {
            std::string name = head.substr(slash + 1);
            if (!name.empty()) {
                return name;
            }
        }
    }
    return codeBase;
}

}  // namespace

std::string ElementIdentityFromParts(const std::string& tag, const std::string& src,
                                     const std::string& innerHtml, const std::string& codeBase) {
    if (tag == "IMG" || tag == "EMBED" || tag == "IFRAME" || tag == "FRAME") {
        return src;
    }
    if (tag == "OBJECT") {
        return ObjectIdentity(innerHtml, codeBase);
    }
    return std::string();
}

std::string ElementIdentity(Element& element) {
    std::string tag;
    if (!element.TagName(tag)) {
        return std::string();
    }
    std::string src;
    std::string inner;
    std::string codeBase;
    if (tag == "IMG" || tag == "EMBED" || tag == "IFRAME" || tag == "FRAME") {
        if (!element.Src(src)) {
            return std::string();
        }
    } else if (tag == "OBJECT") {
        element.InnerHtml(inner);
        const std::string fromInner = ObjectIdentity(inner, std::string());
        if (!fromInner.empty()) {
            return fromInner;
        }
        element.CodeBase(codeBase);
    } else {
        return std::string();
    }
    return ElementIdentityFromParts(tag, src, inner, codeBase);
}

bool HideElement(Element& element, bool hide) {
    std::string display;
    if (!element.StyleDisplay(display)) {
        return false;
    }
    if (hide && display != "none") {
        element.SetStyleDisplay("none");
    } else if (!hide && display == "none") {
        element.SetStyleDisplay("");
    }
    return true;
}

}  // namespace qm
