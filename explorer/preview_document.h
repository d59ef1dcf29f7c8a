// The document that the browser control shows for a filter: the element's
// saved markup as the body of a blank page whose relative addresses resolve
// against the page where the filter was made. The control that shows it runs
// no script and fetches nothing from the network (see the preview's host);
// this document only frames the markup, it does not clean it.
#pragma once

#include <string>

#include "store/filter_record.h"

namespace qm {

// UTF-8 with a byte-order mark, so the engine reads it as UTF-8 whatever the
// markup declares: "<!DOCTYPE html><html><head><base href=...></head><body>",
// the saved markup as it is (NUL bytes dropped), "</body></html>". No base
// element when the page address is empty.
std::string PreviewDocument(const std::string& pageAddress, const FilterRecord& record);

// The empty document the pane shows when nothing is selected.
std::string BlankPreviewDocument();

// A text for an HTML attribute value in double quotes.
std::string AttributeText(const std::string& text);

}  // namespace qm
