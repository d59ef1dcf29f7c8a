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
// The same page under a title and an address in Cyrillic and Japanese
// (QuillmoorSim --intl): "Рекламная страница 広告テスト" at
// "http://www.пример.рф/новости/日本語.html", all UTF-8.
constexpr char kIntlPageTitle[] =
    "\xd0\xa0\xd0\xb5\xd0\xba\xd0\xbb\xd0\xb0\xd0\xbc\xd0\xbd\xd0\xb0\xd1\x8f "
    "\xd1\x81\xd1\x82\xd1\x80\xd0\xb0\xd0\xbd\xd0\xb8\xd1\x86\xd0\xb0 "
    "\xe5\xba\x83\xe5\x91\x8a\xe3\x83\x86\xe3\x82\xb9\xe3\x83\x88";
constexpr char kIntlHost[] =
    "www.\xd0\xbf\xd1\x80\xd0\xb8\xd0\xbc\xd0\xb5\xd1\x80.\xd1\x80\xd1\x84";
constexpr char kIntlPageUrl[] =
    "http://www.\xd0\xbf\xd1\x80\xd0\xb8\xd0\xbc\xd0\xb5\xd1\x80.\xd1\x80\xd1\x84/"
    "\xd0\xbd\xd0\xbe\xd0\xb2\xd0\xbe\xd1\x81\xd1\x82\xd0\xb8/"
    "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e.html";

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
