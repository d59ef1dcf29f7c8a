// Pixels for the drawing checks of the Windows tests: a rectangle of the
// screen, or of a memory bitmap that a test draws into.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

namespace qm::wintest {

class Pixels {
public:
    Pixels() = default;
    Pixels(int width, int height) : width_(width), height_(height),
        colours_(static_cast<size_t>(width > 0 && height > 0 ? width * height : 0)) {}
    int Width() const { return width_; }
    int Height() const { return height_; }
    // CLR_INVALID outside the picture.
    COLORREF At(int x, int y) const;
    // How many pixels of the rectangle (picture coordinates) pass the test.
    int Count(const RECT& area, const std::function<bool(COLORREF)>& test) const;
    int Count(const RECT& area, COLORREF colour) const;

    std::vector<COLORREF>& Colours() { return colours_; }

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<COLORREF> colours_;
};

// What the screen shows in a rectangle (screen coordinates).
Pixels CaptureScreen(const RECT& area);

// A 24-bit memory picture to draw into; Read() takes what was drawn.
class MemoryPicture {
public:
    MemoryPicture(int width, int height);
    ~MemoryPicture();
    MemoryPicture(const MemoryPicture&) = delete;
    MemoryPicture& operator=(const MemoryPicture&) = delete;
    HDC Dc() const { return dc_; }
    Pixels Read() const;

private:
    int width_;
    int height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    void* bits_ = nullptr;
};

// Near in every channel (drawing may blend by a few levels).
bool Near(COLORREF a, COLORREF b, int tolerance = 8);

}  // namespace qm::wintest
