// The main frame at another screen scaling: the toolbar's images, the icons
// of the tree and the list, the controls' fonts, the column widths and the
// tree pane's width follow the new dpi (the base class does the menus and
// takes the suggested rectangle).
#include <windows.h>

#include <commctrl.h>

#include "app/menu_layout.h"
#include "app/win/dpi_win.h"
#include "app/win/main_frame_win.h"
#include "res/resource.h"

namespace qm::win {

namespace {

// The toolbar strip's button size at 96 dpi, and its background colour.
constexpr int kButtonWidth = 16;
constexpr int kButtonHeight = 15;
constexpr COLORREF kStripMask = RGB(255, 0, 255);

// The strip drawn at width x height per button, pixel for pixel (the mask
// colour stays exact).
HBITMAP ScaledStrip(HBITMAP strip, int buttons, int width, int height) {
    BITMAP info{};
    if (::GetObjectW(strip, sizeof(info), &info) == 0) {
        return nullptr;
    }
    BITMAPINFO header{};
    header.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    header.bmiHeader.biWidth = buttons * width;
    header.bmiHeader.biHeight = height;
    header.bmiHeader.biPlanes = 1;
    header.bmiHeader.biBitCount = 24;
    header.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP scaled = ::CreateDIBSection(nullptr, &header, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC from = ::CreateCompatibleDC(nullptr);
    HDC to = ::CreateCompatibleDC(nullptr);
    if (scaled != nullptr && from != nullptr && to != nullptr) {
        HGDIOBJ oldFrom = ::SelectObject(from, strip);
        HGDIOBJ oldTo = ::SelectObject(to, scaled);
        ::SetStretchBltMode(to, COLORONCOLOR);
        ::StretchBlt(to, 0, 0, buttons * width, height, from, 0, 0, info.bmWidth, info.bmHeight,
                     SRCCOPY);
        ::SelectObject(from, oldFrom);
        ::SelectObject(to, oldTo);
    }
    if (from != nullptr) {
        ::DeleteDC(from);
    }
    if (to != nullptr) {
        ::DeleteDC(to);
    }
    return scaled;
}

}  // namespace

bool CMainFrame::MakeToolbarImages(int dpi) {
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    auto strip = static_cast<HBITMAP>(::LoadImageW(instance, MAKEINTRESOURCEW(IDB_EXPLORER_TOOLBAR),
                                                   IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (strip == nullptr) {
        return false;
    }
    BITMAP info{};
    ::GetObjectW(strip, sizeof(info), &info);
    const int buttons = info.bmWidth / kButtonWidth;
    const int width = ScaleToDpi(kButtonWidth, dpi);
    const int height = ScaleToDpi(kButtonHeight, dpi);
    if (width != kButtonWidth || height != kButtonHeight) {
        HBITMAP scaled = ScaledStrip(strip, buttons, width, height);
        ::DeleteObject(strip);
        strip = scaled;
    }
    HIMAGELIST images = strip != nullptr
                            ? ::ImageList_Create(width, height, ILC_COLOR24 | ILC_MASK, buttons, 0)
                            : nullptr;
    if (images == nullptr) {
        if (strip != nullptr) {
            ::DeleteObject(strip);
        }
        return false;
    }
    ::ImageList_AddMasked(images, strip, kStripMask);
    ::DeleteObject(strip);
    ::SendMessageW(toolbar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
    if (toolbarImages_ != nullptr) {
        ::ImageList_Destroy(toolbarImages_);
    }
    toolbarImages_ = images;
    return true;
}

void CMainFrame::ApplyDpi(int fromDpi, int toDpi) {
    if (fromDpi == toDpi || toolbar_ == nullptr) {
        return;
    }
    dpi_ = toDpi;
    MakeToolbarImages(toDpi);
    ::SendMessageW(toolbar_, TB_AUTOSIZE, 0, 0);
    // The rebar's band takes the toolbar's new size.
    const DWORD buttonSize = static_cast<DWORD>(::SendMessageW(toolbar_, TB_GETBUTTONSIZE, 0, 0));
    SIZE ideal{};
    ::SendMessageW(toolbar_, TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&ideal));
    REBARBANDINFOW band{};
    band.cbSize = sizeof(band);
    band.fMask = RBBIM_CHILDSIZE | RBBIM_SIZE | RBBIM_IDEALSIZE;
    band.cxMinChild = static_cast<UINT>(ideal.cx);
    band.cyMinChild = HIWORD(buttonSize);
    band.cx = static_cast<UINT>(ideal.cx);
    band.cxIdeal = static_cast<UINT>(ideal.cx);
    ::SendMessageW(rebar_, RB_SETBANDINFOW, 0, reinterpret_cast<LPARAM>(&band));

    fonts_.Rescale(Handle(), fromDpi, toDpi);
    tree_.ApplyDpi(toDpi);
    list_.ApplyDpi(fromDpi, toDpi);
    outer_.SetFirstSize(::MulDiv(outer_.FirstSize(), toDpi, fromDpi));
    Layout();
    ::RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

}  // namespace qm::win
