// What a window does when it moves to a screen of another scaling
// (WM_DPICHANGED): its controls' fonts made again at the new size, and, for a
// dialog laid out from a template, its controls moved and sized in proportion.
#pragma once

#include <windows.h>

#include <vector>

namespace qm::win {

// The fonts this window gave its controls at the current scaling.
class CScaledFonts {
public:
    CScaledFonts() = default;
    ~CScaledFonts();
    CScaledFonts(const CScaledFonts&) = delete;
    CScaledFonts& operator=(const CScaledFonts&) = delete;

    // Every control below root gets its font again, scaled from one dpi to
    // the other (controls that share a font keep sharing one). Controls with
    // the system font are left alone. The fonts of the previous call are
    // freed once no control uses them.
    void Rescale(HWND root, int fromDpi, int toDpi);
    size_t Count() const { return fonts_.size(); }

private:
    std::vector<HFONT> fonts_;
};

// The direct children of a window moved and sized by toDpi / fromDpi, in the
// window's client coordinates.
void ScaleChildRects(HWND parent, int fromDpi, int toDpi);

// Shows icon iconId of this program in a picture control at the size of icons
// at dpi; returns the icon, which the caller frees once it shows another
// (null, and nothing changed, on failure).
HICON ShowIconForDpi(HWND picture, int iconId, int dpi);

// Keeps the system from scaling a dialog itself on a scaling change, where it
// would (Windows 10 and later), so that the dialog's own handling is the one
// that runs everywhere.
void TakeOverDialogScaling(HWND dialog);

}  // namespace qm::win
