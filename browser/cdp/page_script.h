// The helper that runs in our own isolated world of every page.
#pragma once

namespace qm::cdp {

// Installs the function __qm(name, args, anyState) in the world's global
// object. It answers [1, value] or [0] (failure: element gone, no body, or the
// document still loading unless anyState is set). Elements cross as small
// integer ids that stay valid for the life of the document.
extern const char* const kPageScript;

}  // namespace qm::cdp
