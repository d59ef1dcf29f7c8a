// A whole application core on the simulated desktop: a real filter store in a
// temporary directory, the in-memory registry, a recording launcher, scripted
// dialogs, and in-memory bin window and main frame.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/app_core.h"
#include "testing/sim/sim_browser.h"
#include "testing/sim/sim_desktop.h"
#include "testing/sim/sim_document.h"
#include "testing/recording_launcher.h"
#include "testing/registry_memory.h"

namespace qm::testing {

// A directory under the system's temporary directory, removed afterwards.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Answers the prompts from a script and records what each prompt was given.
class ScriptedDialogs : public Dialogs {
public:
    enum class Kind { kDeleteElement, kKillPopup, kBlockPopup };
    struct Asked {
        Kind kind;
        PromptRequest request;
    };

    // The next prompt (of any kind) answers this.
    void Answer(bool ok, int radio, bool boxTicked) { answers.push_back({ok, radio, boxTicked}); }

    PromptAnswer AskDeleteElement(const PromptRequest& r) override {
        return Next(Kind::kDeleteElement, r);
    }
    PromptAnswer AskKillPopup(const PromptRequest& r) override { return Next(Kind::kKillPopup, r); }
    PromptAnswer AskBlockPopup(const PromptRequest& r) override {
        return Next(Kind::kBlockPopup, r);
    }
    void ShowOptions(AppSettings&) override {
        ++optionsShown;
        if (whileOpen) {
            whileOpen();
        }
    }
    void ShowAbout() override {
        ++aboutShown;
        if (whileOpen) {
            whileOpen();
        }
    }
    void ShowMessage(const std::string& text, const std::string&, MessageIcon) override {
        messages.push_back(text);
    }

    std::deque<PromptAnswer> answers;
    std::vector<Asked> asked;
    std::function<void()> whileOpen;  // runs while any dialog is open
    bool answerAnything = false;      // unscripted prompts answer OK, web server
    int optionsShown = 0;
    int aboutShown = 0;
    std::vector<std::string> messages;

private:
    PromptAnswer Next(Kind kind, const PromptRequest& request) {
        asked.push_back({kind, request});
        if (whileOpen) {
            whileOpen();
        }
        if (answers.empty() && answerAnything) {
            return PromptAnswer{true, 1, false};
        }
        if (answers.empty()) {
            ADD_FAILURE() << "a prompt was shown that the test did not expect";
            return PromptAnswer{};
        }
        PromptAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

// The bin window as a window of the simulated desktop; posted events queue up.
class FakeBin : public BinWindow {
public:
    FakeBin(sim::SimDesktop& desktop, const Rect& screen)
        : desktop_(desktop), handle_(desktop.AddWindow(0, "#32770", screen, true)) {}

    WindowHandle Handle() const override { return handle_; }
    bool IsVisible() const override { return visible; }
    void Show(bool show) override {
        visible = show;
        showLog.push_back(show);
    }
    bool IsTopMost() const override { return topMost; }
    void SetTopMost(bool value) override { topMost = value; }
    bool ClientRect(Rect& client) const override { return desktop_.ClientRect(handle_, client); }
    void PostTrackerEvent(int code, long value) override { posted.push_back({code, value}); }

    bool visible = true;
    bool topMost = true;
    std::vector<bool> showLog;
    std::deque<std::pair<int, long>> posted;

private:
    sim::SimDesktop& desktop_;
    WindowHandle handle_;
};

class FakeFrame : public MainFrame {
public:
    bool IsVisible() const override { return visible; }
    void Show(bool show) override {
        visible = show;
        log.push_back(show ? "show" : "hide");
    }
    void SetTitle(const std::string& text) override {
        title = text;
        log.push_back("title " + text);
    }
    void BringToFront() override { log.push_back("front"); }
    void RebuildTree() override { log.push_back("tree"); }
    std::string ListHostFile() const override { return listHostFile; }
    void RefreshList() override { log.push_back("list"); }
    void PostQuit() override { log.push_back("quit"); }

    bool visible = false;
    std::string title;
    std::string listHostFile;
    std::vector<std::string> log;
};

class AppCoreTest : public ::testing::Test {
protected:
    AppCoreTest();
    ~AppCoreTest() override;

    // Builds the core (after the test has prepared the registry), sets both windows.
    void MakeCore();
    // Builds, starts and rescans, then delivers the posted events.
    void StartCore();
    // Delivers every posted tracker event, as the bin window's message loop would.
    void Pump();
    // A browser of the desktop at screen showing html.
    sim::SimBrowserPtr OpenPage(const Rect& screen, const std::string& url, const std::string& html,
                                const std::string& title = "Page");
    // The screen point of a client point of a browser's page window.
    Point PagePoint(const sim::SimBrowser& browser, int x, int y);
    Point BinPoint();
    // Whether the element with that id in the browser's document is hidden.
    bool IsHidden(const sim::SimBrowser& browser, const std::string& id);
    int SlotOf(const sim::SimBrowser& browser);
    // The whole page-to-bin gesture: press at from, move over the bin, release at to.
    void DragToBin(Point from, Point to);

    TempDir dir;
    MemoryRegistry registry;
    RecordingLauncher launcher;
    sim::SimDesktop desktop;
    sim::SimBrowserSystem browsers{&desktop};
    ScriptedDialogs dialogs;
    std::unique_ptr<FakeBin> bin;
    FakeFrame frame;
    std::unique_ptr<AppCore> core;
};

// A page with an advert image, a FRAME, a link and an OBJECT at known boxes.
std::string AdvertPage();

}  // namespace qm::testing
