// The page that the test build of the program shows, shared with the tests
// that drive it.
#pragma once

#include <windows.h>

namespace qm::test {

constexpr char kFrameClass[] = "QuillmoorSimFrame";
constexpr char kPageClass[] = "Internet Explorer_Server";
constexpr char kPageTitle[] = "Advert test page";
constexpr char kPageUrl[] = "http://www.example.com/news/today.html";
constexpr char kAdvertSrc[] = "http://ads.example.net/banner.gif";
constexpr char kPageHtml[] =
    "<html><head><title>Advert test page</title></head><body>"
    "<p data-box=\"0 0 400 20\">Today's news</p>"
    "<img src=\"http://ads.example.net/banner.gif\" data-box=\"40 40 240 120\">"
    "</body></html>";
constexpr COLORREF kAdvertColour = RGB(200, 0, 0);

// The advert's box in the page window's client coordinates.
struct Box {
    int left, top, right, bottom;
};
constexpr Box kAdvertBox{40, 40, 280, 160};

struct PageLayout {
    int x, y, width, height;
};
constexpr PageLayout kPageLayout{120, 200, 520, 360};

}  // namespace qm::test
