// The facts that decide whether the element preview may embed the browser
// control (see explorer/preview_engine.h), read from this system without
// loading mshtml: under Wine, loading it with no Gecko add-on would raise the
// add-on's download prompt.
#pragma once

#include <memory>

#include "explorer/preview_engine.h"
#include "explorer/win/preview_win.h"

namespace qm::win {

HtmlEngineFacts ProbeHtmlEngine();

// The renderer for the preview: the browser control where an HTML engine can
// be embedded, the text otherwise.
std::unique_ptr<ElementRenderer> MakePreferredRenderer();

}  // namespace qm::win
