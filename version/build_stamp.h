// When the program was built, as the build stamped it.
#pragma once

namespace qm {

// For example "May 27 2002".
const char* BuildDateText();
// For example "02:10:28".
const char* BuildTimeText();

}  // namespace qm
