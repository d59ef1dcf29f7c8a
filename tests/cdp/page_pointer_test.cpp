// The pointer observer's reports: what a page may send, and the drag steps
// and screen places made of them.
#include <gtest/gtest.h>

#include <string>

#include "browser/cdp/cdp_page_windows.h"
#include "browser/cdp/pointer_script.h"

namespace qm::cdp {
namespace {

const std::string kWindow = R"("sx":100,"sy":50,"ow":800,"oh":600,"iw":800,"ih":500,"r":1,"v":1)";

std::string Message(const std::string& type, const std::string& extra = std::string()) {
    return "{\"t\":\"" + type + "\"," + kWindow + extra + "}";
}

TEST(PagePointerTest, ReportsAreReadStrictly) {
    struct Case {
        std::string payload;
        bool ok;
        PageMessage::Kind kind;
        bool pointer;
    };
    const std::string at = R"(,"x":10,"y":20,"X":110,"Y":170)";
    const Case cases[] = {
        {Message("g"), true, PageMessage::kGeometry, false},
        {Message("g", at), true, PageMessage::kGeometry, true},
        {Message("d", at), true, PageMessage::kPress, true},
        {Message("m", at), true, PageMessage::kMove, true},
        {Message("u", at), true, PageMessage::kRelease, true},
        {Message("d"), false, PageMessage::kGeometry, false},  // a gesture needs its point
        {Message("z", at), false, PageMessage::kGeometry, false},
        {R"({"t":"g","sx":"100","sy":50,"ow":800,"oh":600,"iw":800,"ih":500,"r":1,"v":1})", false,
         PageMessage::kGeometry, false},
        {R"({"t":"g"})", false, PageMessage::kGeometry, false},
        {"[1,2]", false, PageMessage::kGeometry, false},
        {"{\"t\":\"g\"", false, PageMessage::kGeometry, false},
        {"", false, PageMessage::kGeometry, false},
        {Message("d", R"(,"x":10,"y":20,"X":1e999,"Y":170)"), false, PageMessage::kGeometry,
         false},
        // The visual viewport: optional, but whole and in numbers when given.
        {Message("g", R"(,"vs":2,"vx":10,"vy":5)"), true, PageMessage::kGeometry, false},
        {Message("g", R"(,"vs":2,"vx":10)"), false, PageMessage::kGeometry, false},
        {Message("g", R"(,"vs":"2","vx":10,"vy":5)"), false, PageMessage::kGeometry, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.payload);
        PageMessage message;
        ASSERT_EQ(ParsePageMessage(c.payload, message), c.ok);
        if (c.ok) {
            EXPECT_EQ(message.kind, c.kind);
            EXPECT_EQ(message.pointer, c.pointer);
            EXPECT_TRUE(message.visible);
            EXPECT_EQ(message.page.innerHeight, 500);
        }
    }
}

std::optional<PageGesture> Feed(CdpPageWindows& windows, std::uint32_t ordinal,
                                const std::string& payload) {
    PageMessage message;
    EXPECT_TRUE(ParsePageMessage(payload, message)) << payload;
    return windows.Report(ordinal, message);
}

TEST(PagePointerTest, GesturesArePressMovesAndOneReleaseInScreenCoordinates) {
    CdpPageWindows windows;
    // Moves and releases without a press are no gesture.
    EXPECT_FALSE(Feed(windows, 1, Message("m", R"(,"x":1,"y":1,"X":101,"Y":151)")));
    EXPECT_FALSE(Feed(windows, 1, Message("u", R"(,"x":1,"y":1,"X":101,"Y":151)")));
    EXPECT_FALSE(Feed(windows, 1, Message("g")));
    // The window report alone places the viewport below the tool area.
    auto geometry = windows.Geometry(1);
    ASSERT_TRUE(geometry);
    EXPECT_EQ(geometry->Viewport().top, 150);
    // A press calibrates: the viewport's origin is where the event says.
    auto press = Feed(windows, 1, Message("d", R"(,"x":40,"y":30,"X":140,"Y":190)"));
    ASSERT_TRUE(press);
    EXPECT_EQ(press->phase, kDragPress);
    EXPECT_EQ(press->screen.x, 140);
    EXPECT_EQ(press->screen.y, 190);
    geometry = windows.Geometry(1);
    EXPECT_EQ(geometry->Viewport().top, 160);
    EXPECT_EQ(geometry->ScreenToPage(Point{140, 190}).y, 30);
    // The browser's own drag goes outside the page: moves and the release
    // still come, with their screen points, and do not move the viewport.
    auto move = Feed(windows, 1, Message("m", R"(,"x":-300,"y":-100,"X":-200,"Y":60)"));
    ASSERT_TRUE(move);
    EXPECT_EQ(move->phase, kDragMove);
    EXPECT_EQ(move->screen.x, -200);
    EXPECT_EQ(windows.Geometry(1)->Viewport().top, 160);
    auto release = Feed(windows, 1, Message("u", R"(,"x":-300,"y":-100,"X":-200,"Y":60)"));
    ASSERT_TRUE(release);
    EXPECT_EQ(release->phase, kDragRelease);
    EXPECT_FALSE(Feed(windows, 1, Message("u", R"(,"x":1,"y":1,"X":101,"Y":151)")));
    // Another page's reports are its own.
    EXPECT_FALSE(windows.Geometry(2));
    // Without the browser's pages the handles are nobody's.
    EXPECT_FALSE(windows.Owns(CdpPage::TopWindowOf(1) + 1));
    EXPECT_EQ(windows.WindowAt(Point{140, 190}), WindowHandle{0});
}

TEST(PagePointerTest, ScaledScreensGiveSystemPixels) {
    CdpPageWindows windows;
    const std::string scaled =
        R"({"t":"d","sx":100,"sy":50,"ow":800,"oh":600,"iw":800,"ih":500,"r":2,"v":1,"x":40,"y":30,"X":140,"Y":180})";
    auto press = Feed(windows, 3, scaled);
    ASSERT_TRUE(press);
    EXPECT_EQ(press->screen.x, 280);
    EXPECT_EQ(press->screen.y, 360);
    auto geometry = windows.Geometry(3);
    EXPECT_EQ(geometry->ScreenToPage(press->screen).x, 40);
    EXPECT_EQ(geometry->ScreenToPage(press->screen).y, 30);
}

}  // namespace
}  // namespace qm::cdp
