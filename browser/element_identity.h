// The identity text of a page element, by which element filters find it.
#pragma once

#include <string>

#include "browser/browser_port.h"

namespace qm {

// From the parts a backend can read in one go: the tag name, the src property
// (IMG, EMBED, IFRAME, FRAME), the inner HTML and codeBase (OBJECT).
std::string ElementIdentityFromParts(const std::string& tag, const std::string& src,
                                     const std::string& innerHtml, const std::string& codeBase);

// Reads what the element's tag needs and computes its identity; empty text
// for other tags or when the reads fail.
std::string ElementIdentity(Element& element);

// Hides (display "none") or shows (display "") an element; writes nothing when
// it already has the wanted state. False when the element has no style.
bool HideElement(Element& element, bool hide);

}  // namespace qm
