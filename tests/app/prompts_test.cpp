// The three questions: the ask flags, the remembered answers, Shift, and what
// a cancel leaves behind.
#include <gtest/gtest.h>

#include "app/prompts.h"
#include "store/address_keys.h"
#include "store/settings.h"
#include "tests/app/app_fixture.h"

namespace qm::testing {
namespace {

class PromptsTest : public ::testing::Test {
protected:
    MemoryRegistry registry;
    AppSettings settings{registry, "C:\\Quillmoor\\Quillmoor.exe"};
    ScriptedDialogs dialogs;
    sim::SimDesktop desktop;
    PromptContext context{settings, dialogs, desktop};
};

TEST_F(PromptsTest, FirstRunAsksWithNothingPreselectedAndHostAndDomainOfTheUrl) {
    dialogs.Answer(true, 1, false);
    EXPECT_EQ(AskElementScope(context, "http://www.news.example.com/a/b.html"), 1);
    ASSERT_EQ(dialogs.asked.size(), 1u);
    const PromptRequest& r = dialogs.asked[0].request;
    EXPECT_EQ(dialogs.asked[0].kind, ScriptedDialogs::Kind::kDeleteElement);
    EXPECT_EQ(r.selectedRadio, kScopeNone);
    EXPECT_FALSE(r.boxTicked);
    EXPECT_EQ(r.hostText, GetHostName("http://www.news.example.com/a/b.html"));
    EXPECT_EQ(r.domainText, GetDomainName("http://www.news.example.com/a/b.html"));
    EXPECT_EQ(settings.nElementDeleteScope, 1);
    EXPECT_EQ(settings.bPromptBeforeDeleteElement, 1);
}

TEST_F(PromptsTest, TickingTheBoxStopsAskingAndTheRememberedAnswerIsUsed) {
    dialogs.Answer(true, 2, true);
    EXPECT_EQ(AskElementScope(context, "http://a.example.com/"), 2);
    EXPECT_EQ(settings.bPromptBeforeDeleteElement, 0);
    EXPECT_EQ(AskElementScope(context, "http://a.example.com/"), 2);
    EXPECT_EQ(AskElementScope(context, "http://b.example.org/"), 2);
    EXPECT_EQ(dialogs.asked.size(), 1u);
}

TEST_F(PromptsTest, ShiftBringsTheQuestionBackWithTheBoxTicked) {
    settings.bPromptBeforeDeleteElement = 0;
    settings.nElementDeleteScope = 1;
    desktop.SetShiftDown(true);
    dialogs.Answer(true, 0, false);
    EXPECT_EQ(AskElementScope(context, "http://a.example.com/"), 0);
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_TRUE(dialogs.asked[0].request.boxTicked);
    EXPECT_EQ(dialogs.asked[0].request.selectedRadio, 1);
    // Unticked and OK: the question comes back next time even without Shift.
    EXPECT_EQ(settings.bPromptBeforeDeleteElement, 1);
    EXPECT_EQ(settings.nElementDeleteScope, 0);
    desktop.SetShiftDown(false);
    dialogs.Answer(true, 0, true);
    EXPECT_EQ(AskElementScope(context, "http://a.example.com/"), 0);
    EXPECT_EQ(dialogs.asked.size(), 2u);
}

TEST_F(PromptsTest, CancelReturnsMinusOneAndChangesNothing) {
    settings.nPopupInhitbitScope = 2;
    dialogs.Answer(false, 0, true);
    EXPECT_EQ(AskBlockPopupScope(context, "http://a.example.com/"), -1);
    EXPECT_EQ(settings.nPopupInhitbitScope, 2);
    EXPECT_EQ(settings.bPromptBeforeInhitbitPopup, 1);
    EXPECT_EQ(dialogs.asked[0].kind, ScriptedDialogs::Kind::kBlockPopup);
}

TEST_F(PromptsTest, OkWithNoButtonSelectedCountsAsCancelAndKeepsTheSettings) {
    dialogs.Answer(true, -1, true);
    EXPECT_EQ(AskPopupRecogniseMode(context), -1);
    EXPECT_EQ(settings.nPopupRecogniseMode, kRecogniseModeNone);
    EXPECT_EQ(settings.bPromptBeforeDeletePopup, 1);
}

TEST_F(PromptsTest, ASwitchedOffQuestionWithoutAUsableAnswerIsAskedAnyway) {
    settings.bPromptBeforeDeletePopup = 0;
    settings.nPopupRecogniseMode = kRecogniseModeNone;
    dialogs.Answer(true, 3, true);
    EXPECT_EQ(AskPopupRecogniseMode(context), 3);
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].kind, ScriptedDialogs::Kind::kKillPopup);
    EXPECT_TRUE(dialogs.asked[0].request.boxTicked);
    EXPECT_EQ(AskPopupRecogniseMode(context), 3);
    EXPECT_EQ(dialogs.asked.size(), 1u);
}

TEST_F(PromptsTest, EachQuestionHasItsOwnFlagAndAnswer) {
    dialogs.Answer(true, 2, true);
    EXPECT_EQ(AskBlockPopupScope(context, "http://a.example.com/"), 2);
    EXPECT_EQ(settings.bPromptBeforeInhitbitPopup, 0);
    EXPECT_EQ(settings.bPromptBeforeDeleteElement, 1);
    EXPECT_EQ(settings.bPromptBeforeDeletePopup, 1);
    EXPECT_EQ(settings.nElementDeleteScope, kScopeNone);
}

TEST_F(PromptsTest, ARadioChangedWithTheBoxUntickedBecomesTheRememberedAnswer) {
    settings.nElementDeleteScope = 0;
    dialogs.Answer(true, 2, false);
    EXPECT_EQ(AskElementScope(context, "http://a.example.com/"), 2);
    EXPECT_EQ(settings.nElementDeleteScope, 2);
    dialogs.Answer(true, 2, false);
    AskElementScope(context, "http://a.example.com/");
    EXPECT_EQ(dialogs.asked[1].request.selectedRadio, 2);
}

class AddFilterWithPromptTest : public PromptsTest {
protected:
    TempDir dir;
    FilterStore store{dir.Path().string()};

    FilterRecord Record(const std::string& type, const std::string& name) {
        FilterRecord record;
        record.sType = type;
        record.sName = name;
        record.nHint = 7;
        record.sHtml = "<img>";
        return record;
    }
};

TEST_F(AddFilterWithPromptTest, ElementFilterTakesTheChosenScope) {
    const std::string url = "http://www.example.com/news/index.html";
    FilterRecord record = Record("IMG", "http://ads.example.net/banner.gif");
    dialogs.Answer(true, 1, false);
    ASSERT_TRUE(AddFilterWithPrompt(context, store, url, record));
    std::string page;
    FilterRecord stored;
    ASSERT_EQ(store.GetFilter(GetHostFileName(url), 0, page, stored), 1);
    EXPECT_EQ(page, url);
    EXPECT_EQ(stored.nScope, kScopeHost);
    EXPECT_EQ(stored.nHint, 7);
    EXPECT_EQ(stored.sType, "IMG");
}

TEST_F(AddFilterWithPromptTest, PopupFilterStoresTheModeAsHintAndDomainScope) {
    const std::string url = "http://pop.example.com/ad.html";
    for (int mode = 0; mode < kRecogniseModeCount; ++mode) {
        FilterRecord record = Record("POPUP", "Title" + std::to_string(mode));
        record.nHint = -1;
        dialogs.Answer(true, mode, false);
        ASSERT_TRUE(AddFilterWithPrompt(context, store, url, record));
        std::string page;
        FilterRecord stored;
        ASSERT_EQ(store.GetFilter(GetHostFileName(url), mode, page, stored), 1);
        EXPECT_EQ(stored.nHint, mode);
        EXPECT_EQ(stored.nScope, kScopeDomain);
        EXPECT_EQ(dialogs.asked.back().kind, ScriptedDialogs::Kind::kKillPopup);
    }
}

TEST_F(AddFilterWithPromptTest, NoPopupFilterAsksTheBlockQuestion) {
    const std::string url = "http://www.example.com/";
    FilterRecord record = Record("NO_POPUP", "Example");
    dialogs.Answer(true, 0, false);
    ASSERT_TRUE(AddFilterWithPrompt(context, store, url, record));
    EXPECT_EQ(dialogs.asked[0].kind, ScriptedDialogs::Kind::kBlockPopup);
    std::string page;
    FilterRecord stored;
    ASSERT_EQ(store.GetFilter(GetHostFileName(url), 0, page, stored), 1);
    EXPECT_EQ(stored.nScope, kScopePage);
}

TEST_F(AddFilterWithPromptTest, CancelAddsNothing) {
    const std::string url = "http://www.example.com/";
    FilterRecord record = Record("IMG", "http://ads.example.net/x.gif");
    dialogs.Answer(false, 1, false);
    EXPECT_FALSE(AddFilterWithPrompt(context, store, url, record));
    EXPECT_EQ(store.HostFileExists(GetHostFileName(url)), 0);
    EXPECT_EQ(store.GetUndoCount(), 0);
}

}  // namespace
}  // namespace qm::testing
