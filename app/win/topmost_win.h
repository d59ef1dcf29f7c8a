// Keeps the program's always-on-top windows (the bin) above a window of the
// program that was just brought to the front. Some window systems raise the
// activated window above everything, top-most windows included, unless the
// top-most ones are placed again.
#pragma once

namespace qm::win {

// Places every visible top-most top-level window of this thread above the
// others again, without activating it.
void RaiseTopMostWindows();

}  // namespace qm::win
