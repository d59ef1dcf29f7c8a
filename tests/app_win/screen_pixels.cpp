#include "tests/app_win/screen_pixels.h"

#include <cstdlib>

namespace qm::wintest {

namespace {

BITMAPINFO Info24(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

Pixels FromBits(const void* bits, int width, int height) {
    Pixels pixels(width, height);
    const int stride = (width * 3 + 3) & ~3;
    const auto* bytes = static_cast<const unsigned char*>(bits);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const unsigned char* p = bytes + y * stride + x * 3;
            pixels.Colours()[static_cast<size_t>(y * width + x)] = RGB(p[2], p[1], p[0]);
        }
    }
    return pixels;
}

}  // namespace

COLORREF Pixels::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        return CLR_INVALID;
    }
    return colours_[static_cast<size_t>(y * width_ + x)];
}

int Pixels::Count(const RECT& area, const std::function<bool(COLORREF)>& test) const {
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            const COLORREF c = At(x, y);
            if (c != CLR_INVALID && test(c)) {
                ++count;
            }
        }
    }
    return count;
}

int Pixels::Count(const RECT& area, COLORREF colour) const {
    return Count(area, [colour](COLORREF c) { return c == colour; });
}

Pixels CaptureScreen(const RECT& area) {
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    MemoryPicture picture(width, height);
    HDC screen = GetDC(nullptr);
    BitBlt(picture.Dc(), 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    ReleaseDC(nullptr, screen);
    return picture.Read();
}

MemoryPicture::MemoryPicture(int width, int height) : width_(width), height_(height) {
    HDC screen = GetDC(nullptr);
    dc_ = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    BITMAPINFO info = Info24(width, height);
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
    old_ = SelectObject(dc_, bitmap_);
}

MemoryPicture::~MemoryPicture() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
}

Pixels MemoryPicture::Read() const {
    GdiFlush();
    if (bits_ == nullptr) {
        return Pixels();
    }
    return FromBits(bits_, width_, height_);
}

bool Near(COLORREF a, COLORREF b, int tolerance) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance &&
           std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

}  // namespace qm::wintest
