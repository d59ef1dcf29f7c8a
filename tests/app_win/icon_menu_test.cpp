// Image menus: the strip and its command map, conversion of the bin's menu,
// items measured and drawn (pixels of a memory picture and of a real popup on
// the screen), and mnemonics typed into an open menu.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/menu_layout.h"
#include "app/win/icon_menu.h"
#include "app/win/window.h"
#include "res/resource.h"
#include "tests/app_win/screen_pixels.h"
#include "tests/app_win/win_test_util.h"

namespace {

using qm::win::CIconMenu;
using qm::win::CWindow;
using qm::wintest::MemoryPicture;
using qm::wintest::Near;
using qm::wintest::Pixels;

constexpr COLORREF kFolderYellow = RGB(0xf0, 0xc0, 0x40);  // the Open picture's folder
constexpr COLORREF kInk = RGB(0x1e, 0x24, 0x30);

// A window that owns popup menus and routes their drawing to a CIconMenu.
class MenuOwner : public CWindow {
public:
    CIconMenu* images = nullptr;
    int measured = 0;
    int drawn = 0;

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        if (images == nullptr) {
            return false;
        }
        if (message == WM_MEASUREITEM) {
            ++measured;
        } else if (message == WM_DRAWITEM) {
            ++drawn;
        }
        return images->Route(Handle(), message, wParam, lParam, result);
    }
};

// Separators carry id 0, converted or not.
int FirstSeparator(HMENU m) {
    for (int i = 0; i < GetMenuItemCount(m); ++i) {
        if (GetMenuItemID(m, i) == 0) {
            return i;
        }
    }
    return -1;
}

class IconMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(CWindow::RegisterWindowClass("QuillmoorMenuOwner"));
        ASSERT_TRUE(owner.Create(0, "QuillmoorMenuOwner", "menu owner", WS_OVERLAPPEDWINDOW, 100,
                                 100, 400, 300));
        owner.Show(SW_SHOW);
        menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_RECYCLE_BIN_MENU));
        ASSERT_NE(menu, nullptr);
        popup = GetSubMenu(menu, 0);
    }
    void TearDown() override {
        owner.images = nullptr;
        DestroyMenu(menu);
        owner.Destroy();
    }

    static std::wstring Text(HMENU m, int position) {
        wchar_t buffer[256] = {};
        GetMenuStringW(m, static_cast<UINT>(position), buffer, 256, MF_BYPOSITION);
        return buffer;
    }
    static MENUITEMINFOW Info(HMENU m, int position) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_DATA | MIIM_SUBMENU;
        GetMenuItemInfoW(m, static_cast<UINT>(position), TRUE, &info);
        return info;
    }

    MenuOwner owner;
    HMENU menu = nullptr;
    HMENU popup = nullptr;
};

TEST_F(IconMenuTest, LoadsTheStripOfToolbar150AndMapsItsCommands) {
    CIconMenu images(true, owner.Handle());
    ASSERT_EQ(images.Dpi(), 96) << "these sizes are for an unscaled screen";
    EXPECT_EQ(images.ImageSize().cx, 20);
    EXPECT_EQ(images.ImageSize().cy, 20);
    EXPECT_EQ(images.CheckSize().cx, 19);
    EXPECT_EQ(images.CheckSize().cy, 19);

    EXPECT_FALSE(images.LoadImages(9999)) << "no such toolbar";
    EXPECT_EQ(images.ImageCount(), 0);
    EXPECT_EQ(images.ImageOf(ID_OPEN), -1);

    ASSERT_TRUE(images.LoadImages(IDR_MENU_IMAGES));
    EXPECT_EQ(images.ImageSize().cx, 16);
    EXPECT_EQ(images.ImageSize().cy, 16);
    // The toolbar resource names the commands in the strip's order.
    HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(IDR_MENU_IMAGES), MAKEINTRESOURCEW(241));
    ASSERT_NE(found, nullptr);
    const auto* words = static_cast<const WORD*>(LockResource(LoadResource(nullptr, found)));
    EXPECT_EQ(images.ImageCount(), words[3]);
    for (int i = 0; i < words[3]; ++i) {
        EXPECT_EQ(images.ImageOf(words[4 + i]), i) << "command " << words[4 + i];
    }
    // Every command of the bin's menu that is not a check box has a picture.
    for (int id : {ID_OPEN, ID_SHOW_RECYCLE_BIN, ID_RESTORE, ID_UNDO, ID_OPTIONS,
                   ID_HELP_CONTENTS, ID_APP_ABOUT, ID_EXIT}) {
        EXPECT_GE(images.ImageOf(id), 0) << id;
    }
    EXPECT_EQ(images.ImageOf(ID_ALWAYS_ON_TOP), -1) << "drawn with the check mark";
}

TEST_F(IconMenuTest, ConvertsEveryItemOnceKeepingIdsStatesAndTexts) {
    EnableMenuItem(popup, ID_UNDO, MF_BYCOMMAND | MF_GRAYED);
    HMENU more = CreatePopupMenu();
    HMENU deeper = CreatePopupMenu();
    AppendMenuW(deeper, MF_STRING, ID_EXIT, L"E&xit");
    AppendMenuW(more, MF_POPUP, reinterpret_cast<UINT_PTR>(deeper), L"&Deeper");
    AppendMenuW(popup, MF_POPUP, reinterpret_cast<UINT_PTR>(more), L"&More");
    const int count = GetMenuItemCount(popup);
    std::wstring texts[32];
    for (int i = 0; i < count; ++i) {
        texts[i] = Text(popup, i);
    }

    for (bool asItems : {true, false}) {
        HMENU copy = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_RECYCLE_BIN_MENU));
        HMENU bar = CreateMenu();
        AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(GetSubMenu(copy, 0)), L"&Bin");
        AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(CreatePopupMenu()), L"");
        CIconMenu images(asItems, owner.Handle());
        images.Convert(bar);
        const CIconMenu::Item* entry = images.ItemOf(Info(bar, 0).dwItemData);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->kind, asItems ? qm::kMenuKindPopupEntry : qm::kMenuKindBarEntry);
        EXPECT_EQ(entry->text, L"&Bin");
        EXPECT_EQ(Info(bar, 1).fType & MFT_OWNERDRAW, 0u) << "an entry without text stays";
        DestroyMenu(bar);
        DestroyMenu(copy);
    }

    CIconMenu images(true, owner.Handle());
    ASSERT_TRUE(images.LoadImages(IDR_MENU_IMAGES));
    images.Convert(popup);
    const size_t records = images.ItemCount();
    for (int i = 0; i < count; ++i) {
        const MENUITEMINFOW info = Info(popup, i);
        ASSERT_NE(info.fType & MFT_OWNERDRAW, 0u) << i;
        const CIconMenu::Item* item = images.ItemOf(info.dwItemData);
        ASSERT_NE(item, nullptr) << i;
        if (info.hSubMenu != nullptr) {
            EXPECT_EQ(item->kind, qm::kMenuKindPopupEntry);
            EXPECT_EQ(item->image, -1);
            const CIconMenu::Item* inner = images.ItemOf(Info(more, 0).dwItemData);
            ASSERT_NE(inner, nullptr);
            EXPECT_EQ(inner->kind, qm::kMenuKindPopupEntry) << "nested entries are items";
            const CIconMenu::Item* exit = images.ItemOf(Info(deeper, 0).dwItemData);
            ASSERT_NE(exit, nullptr);
            EXPECT_EQ(exit->image, images.ImageOf(ID_EXIT));
        } else if (info.fType & MFT_SEPARATOR) {
            EXPECT_EQ(item->kind, qm::kMenuKindSeparator);
            EXPECT_EQ(item->text, L"--");
        } else {
            EXPECT_EQ(item->kind, static_cast<int>(info.wID));
            EXPECT_EQ(item->image, images.ImageOf(static_cast<int>(info.wID)));
            EXPECT_EQ(item->text, texts[i]);
        }
    }
    EXPECT_NE(GetMenuState(popup, ID_ALWAYS_ON_TOP, MF_BYCOMMAND) & MF_CHECKED, 0u);
    EXPECT_NE(GetMenuState(popup, ID_UNDO, MF_BYCOMMAND) & MF_GRAYED, 0u);
    EXPECT_EQ(GetMenuState(popup, ID_OPEN, MF_BYCOMMAND) & (MF_GRAYED | MF_CHECKED), 0u);

    images.Convert(popup);
    EXPECT_EQ(images.ItemCount(), records) << "a second conversion changes nothing";
}

TEST_F(IconMenuTest, DrawsImagesStatesChecksAndSeparators) {
    CIconMenu images(true, owner.Handle());
    ASSERT_TRUE(images.LoadImages(IDR_MENU_IMAGES));
    images.Convert(popup);
    auto itemData = [&](int id) {
        for (int i = 0; i < GetMenuItemCount(popup); ++i) {
            const MENUITEMINFOW info = Info(popup, i);
            if (static_cast<int>(info.wID) == id && !(info.fType & MFT_SEPARATOR)) {
                return info.dwItemData;
            }
        }
        return ULONG_PTR{0};
    };
    const COLORREF menuColour = images.GetColour(CIconMenu::kMenu);
    const COLORREF highlight = images.GetColour(CIconMenu::kHighlight);

    // Measured: an image row of 16 + 5; a separator 10 x 6.
    MEASUREITEMSTRUCT measure{ODT_MENU, 0, ID_OPEN, 0, 0, itemData(ID_OPEN)};
    ASSERT_TRUE(images.MeasureItem(measure));
    EXPECT_GE(measure.itemHeight, 21u);
    EXPECT_GT(measure.itemWidth, 21u + 17u);
    MEASUREITEMSTRUCT separator{ODT_MENU, 0, 0, 0, 0, Info(popup, FirstSeparator(popup)).dwItemData};
    ASSERT_TRUE(images.MeasureItem(separator));
    EXPECT_EQ(separator.itemWidth, 10u);
    EXPECT_EQ(separator.itemHeight, 6u);
    MEASUREITEMSTRUCT foreign{ODT_MENU, 0, 0, 0, 0, 12345};
    EXPECT_FALSE(images.MeasureItem(foreign)) << "not an item of ours";

    struct Case {
        const char* what;
        int id;
        UINT state;
    };
    const Case cases[] = {{"plain", ID_OPEN, 0},
                          {"selected", ID_OPEN, ODS_SELECTED},
                          {"greyed", ID_OPEN, ODS_GRAYED},
                          {"checked", ID_ALWAYS_ON_TOP, ODS_CHECKED}};
    const int h = static_cast<int>(measure.itemHeight);
    for (const Case& c : cases) {
        MemoryPicture picture(200, h);
        DRAWITEMSTRUCT draw{};
        draw.CtlType = ODT_MENU;
        draw.itemID = static_cast<UINT>(c.id);
        draw.itemState = c.state;
        draw.hDC = picture.Dc();
        draw.rcItem = RECT{0, 0, 200, h};
        draw.itemData = itemData(c.id);
        ASSERT_TRUE(images.DrawItem(draw)) << c.what;
        const Pixels pixels = picture.Read();
        const RECT box{0, 0, h, h};
        const RECT textArea{h + 1, 0, 200, h};
        const int yellow = pixels.Count(box, kFolderYellow);
        const bool selected = (c.state & ODS_SELECTED) != 0;
        // The text area's background, away from the text.
        EXPECT_EQ(pixels.At(198, h / 2), selected ? highlight : menuColour) << c.what;
        if (c.id == ID_OPEN) {
            if (c.state & ODS_GRAYED) {
                EXPECT_EQ(yellow, 0) << "embossed, not in colour";
                EXPECT_GT(pixels.Count(textArea, images.GetColour(CIconMenu::kGreyText)), 10);
            } else {
                EXPECT_GT(yellow, 60) << c.what << ": the folder picture";
            }
            if (selected) {
                EXPECT_EQ(pixels.At(0, 0), images.GetColour(CIconMenu::kButtonHighlight));
                EXPECT_EQ(pixels.At(h - 1, h - 1), images.GetColour(CIconMenu::kButtonShadow));
                EXPECT_GT(pixels.Count(textArea, images.GetColour(CIconMenu::kHighlightText)), 10);
            }
        } else {
            EXPECT_EQ(yellow, 0);
            EXPECT_GT(pixels.Count(box, RGB(0, 0, 0)), 15) << "the check mark";
            EXPECT_EQ(pixels.At(1, 1), menuColour) << "the check image is transparent";
            EXPECT_EQ(pixels.At(h / 2, h - 3), menuColour);
        }
    }

    MemoryPicture line(100, 6);
    DRAWITEMSTRUCT draw{};
    draw.CtlType = ODT_MENU;
    draw.hDC = line.Dc();
    draw.rcItem = RECT{0, 0, 100, 6};
    draw.itemData = Info(popup, FirstSeparator(popup)).dwItemData;
    ASSERT_TRUE(images.DrawItem(draw));
    const Pixels pixels = line.Read();
    EXPECT_EQ(pixels.At(50, 2), images.GetColour(CIconMenu::kButtonShadow));
    EXPECT_EQ(pixels.At(50, 3), images.GetColour(CIconMenu::kButtonHighlight));
    EXPECT_EQ(pixels.At(1, 2), menuColour) << "2 pixels in from the edges";
}

// A real popup on the screen: measured and drawn through the owner window,
// its pictures visible, and a typed mnemonic executes the lowest match.
struct OpenMenuProbe {
    static inline Pixels shot;
    static inline RECT firstItem{};
    static inline RECT separatorItem{};
    static inline HMENU menu = nullptr;
    static inline bool typed = false;
    static inline int seen = 0;
    static void CALLBACK Tick(HWND owner, UINT, UINT_PTR id, DWORD) {
        HWND popupWindow = FindWindowW(L"#32768", nullptr);
        if (popupWindow == nullptr || !IsWindowVisible(popupWindow)) {
            return;
        }
        // The next tick, once the items are painted.
        if (++seen < 2) {
            UpdateWindow(popupWindow);
            return;
        }
        KillTimer(owner, id);
        GetMenuItemRect(nullptr, menu, 0, &firstItem);
        GetMenuItemRect(nullptr, menu, FirstSeparator(menu), &separatorItem);
        shot = qm::wintest::CaptureScreen(firstItem);
        qm::wintest::SaveScreenshot("icon_menu_popup");
        INPUT keys[2] = {};
        keys[0].type = keys[1].type = INPUT_KEYBOARD;
        keys[0].ki.wVk = keys[1].ki.wVk = 'X';
        keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(2, keys, sizeof(INPUT));
        typed = true;
    }
};

TEST_F(IconMenuTest, RealPopupShowsPicturesAndTakesMnemonics) {
    CIconMenu images(true, owner.Handle());
    ASSERT_TRUE(images.LoadImages(IDR_MENU_IMAGES));
    images.Convert(popup);
    owner.images = &images;
    OpenMenuProbe::menu = popup;
    SetForegroundWindow(owner.Handle());
    SetTimer(owner.Handle(), 7, 100, &OpenMenuProbe::Tick);
    const int chosen = static_cast<int>(TrackPopupMenu(
        popup, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | TPM_NONOTIFY | TPM_RETURNCMD, 150,
        150, 0, owner.Handle(), nullptr));
    ASSERT_TRUE(OpenMenuProbe::typed) << "the menu never showed";
    EXPECT_EQ(chosen, ID_EXIT) << "typing x executes E&xit";
    EXPECT_GT(owner.measured, 5);
    EXPECT_GT(owner.drawn, 5);
    EXPECT_EQ(OpenMenuProbe::separatorItem.bottom - OpenMenuProbe::separatorItem.top, 6);
    const Pixels& shot = OpenMenuProbe::shot;
    const RECT whole{0, 0, shot.Width(), shot.Height()};
    EXPECT_GT(shot.Count(whole, [](COLORREF c) { return Near(c, kFolderYellow, 4); }), 60)
        << "the Open item shows its folder";
    EXPECT_GT(shot.Count(whole, [](COLORREF c) { return Near(c, kInk, 4); }), 20);
    const COLORREF face = GetSysColor(COLOR_3DFACE);
    EXPECT_EQ(shot.Count(whole, [face](COLORREF c) { return c == RGB(192, 192, 192) && c != face; }),
              0)
        << "no strip background left around the picture";
}

TEST_F(IconMenuTest, MenuCharacterLeavesAnExecutedDefaultAlone) {
    CIconMenu images(true, owner.Handle());
    images.Convert(popup);
    LRESULT result = MAKELRESULT(3, MNC_EXECUTE);
    EXPECT_FALSE(images.MenuChar(L'x', popup, result));
    EXPECT_EQ(result, MAKELRESULT(3, MNC_EXECUTE));
    result = 0;
    ASSERT_TRUE(images.MenuChar(L'u', popup, result));
    EXPECT_EQ(HIWORD(result), MNC_EXECUTE);
    EXPECT_EQ(GetMenuItemID(popup, LOWORD(result)), static_cast<UINT>(ID_UNDO));
    result = 0;
    EXPECT_FALSE(images.MenuChar(L'q', popup, result));
    EXPECT_EQ(result, 0);
}

}  // namespace
