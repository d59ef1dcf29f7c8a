// What the element preview shows as plain text when no HTML engine can be
// embedded: the element's type, its name and its saved markup, never run.
#pragma once

#include <string>

#include "store/filter_record.h"

namespace qm {

// "Type: IMG", "Name: <sName>", a blank line, then the markup; lines end in
// CR LF (bare LF and CR in the markup become CR LF too) and NUL bytes are
// dropped, so an edit control shows the text as it is.
std::string PreviewText(const FilterRecord& record);

}  // namespace qm
