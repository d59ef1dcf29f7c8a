// The preview renderer that shows the saved markup in the browser control,
// hosted by CPreviewSite and kept on its blank page by CPreviewGuard. The
// control starts on "about:blank"; each element is then written into that
// page from memory (IPersistStreamInit), never through a file or an address.
#pragma once

#include <memory>

#include "explorer/win/preview_win.h"

namespace qm::win {

// Create fails (and the preview shows text) when the control cannot be made,
// hosted, guarded or activated.
std::unique_ptr<ElementRenderer> MakeHtmlRenderer();

}  // namespace qm::win
