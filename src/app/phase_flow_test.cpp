#include "app/phase_flow.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "app/app_test_support.h"
#include "app/registry_strings.h"
#include "app/run_options.h"
#include "app/text_report.h"
#include "platform/memory/memory_platform.h"
#include "results/result_list.h"
#include "runtime/format.h"
#include "runtime/text.h"
#include "ui/recording_sink.h"

namespace pelorin {
namespace {

using platform::RegistryRoot;

// The progress window of a run: a recording sink whose differences also land in a result list.
class TestWindow : public TrackingWindow {
public:
    class Sink : public RecordingSink {
    public:
        explicit Sink(ResultList& list) : list_(list) {}
        void addChange(u32 kind, const char16_t* t1, const char16_t* t2, u32 size, const u8* data) override {
            RecordingSink::addChange(kind, t1, t2, size, data);
            list_.addChange(kind, t1, t2, size, data);
        }

    private:
        ResultList& list_;
    };
    ~TestWindow() override {
        if (onClose) onClose(*this);
    }
    ProgressSink& sink() override { return sink_; }
    ResultList& changes() override { return list_; }

    ResultList list_;
    Sink sink_{list_};
    std::function<void(TestWindow&)> onClose;
};

// Stages the user's answers and records what the flow showed, in order.
class FakeUi : public PhaseFlowUi {
public:
    struct StartAnswer {
        bool ok;
        u32 mode;
        const char* loadFile;  // non-null: the user picked this snapshot to load
    };

    std::vector<std::string> events;
    std::deque<StartAnswer> startAnswers;
    std::deque<std::pair<bool, u32>> phaseTwoAnswers;
    std::deque<bool> boxAnswers;
    u32 setupChoiceCode = 0;
    std::string setupChoice = "C:\\setup.exe";
    bool snapshotChoiceMade = true;
    std::string snapshotChoice = "C:\\chosen.sna";
    int setupAnswer = SETUP_COMPLETE;
    std::function<void()> installer;       // what the setup program does to the system
    std::function<void(TestWindow&)> onWindow;  // staging inside the progress window
    // What the last progress window showed, kept when it closes.
    std::vector<std::vector<std::string>> lines = std::vector<std::vector<std::string>>(ProgressSink::LINE_COUNT);

    bool runStartDialog(RunOptions& options, u32& mode, bool& loadRequest) override {
        events.push_back("start");
        if (startAnswers.empty()) return false;
        StartAnswer a = startAnswers.front();
        startAnswers.pop_front();
        mode = a.mode;
        if (a.loadFile) {
            loadRequest = true;
            options.loadSnapshot = true;
            copyBounded(options.snapshotFileName, sizeof options.snapshotFileName, a.loadFile);
        }
        return a.ok;
    }
    bool runPhaseTwoDialog(RunOptions&, u32& choice) override {
        events.push_back("phase2");
        if (phaseTwoAnswers.empty()) return false;
        auto [ok, c] = phaseTwoAnswers.front();
        phaseTwoAnswers.pop_front();
        choice = c;
        return ok;
    }
    bool messageBox(const char* text, u32 kind) override {
        events.push_back("box " + std::to_string(kind) + ": " + text);
        if (boxAnswers.empty()) return false;
        bool answer = boxAnswers.front();
        boxAnswers.pop_front();
        return answer;
    }
    u32 askSetupFileName(char* buffer, u32 size) override {
        events.push_back("ask setup");
        if (setupChoiceCode == 0) copyBounded(buffer, size, setupChoice);
        return setupChoiceCode;
    }
    bool askSnapshotFileName(char* buffer, u32 size) override {
        events.push_back("ask snapshot");
        buffer[0] = 0;
        if (snapshotChoiceMade) copyBounded(buffer, size, snapshotChoice);
        return snapshotChoiceMade;
    }
    std::unique_ptr<TrackingWindow> createTrackingWindow() override {
        events.push_back("window");
        auto window = std::make_unique<TestWindow>();
        if (onWindow) onWindow(*window);
        window->onClose = [this](TestWindow& w) {
            for (u32 n = 0; n < ProgressSink::LINE_COUNT; ++n) lines[n] = w.sink_.lineTexts(n);
            for (const std::string& q : w.sink_.questions()) events.push_back("asked " + q.substr(0, 25));
        };
        return window;
    }
    void runSetupProgram(const char* fileName, TrackingWindow&, const SetupContext& context) override {
        events.push_back(std::string("setup ") + fileName);
        EXPECT_TRUE(context.registryTree && context.fileSystemTree && context.options && context.sink);
        if (installer) installer();
    }
    int askSetupComplete(TrackingWindow&, const SetupContext&) override {
        events.push_back("complete?");
        return setupAnswer;
    }
    void showResultWindow(const char* title, ResultList& list) override {
        events.push_back(std::string("results ") + title + " " + std::to_string(list.count()));
        for (u32 i = 0; i < list.count(); ++i) shown.push_back(describe(*list.entry(i)));
    }
    void disableFileSystemRedirection() override { events.push_back("wow64 off"); }

    static std::string describe(const ResultEntry& e) {
        std::string out = std::to_string(e.kind) + " p" + std::to_string(e.priority);
        if (e.text1) out += " " + narrow(e.text1);
        if (e.text2) out += " | " + narrow(e.text2);
        return out;
    }
    std::vector<std::string> shown;
};

class PhaseFlowTest : public ::testing::Test {
public:
    PhaseFlowTest() {
        registerStandardDirectives();
        reg().putValue(RegistryRoot::LOCAL_MACHINE, u"SOFTWARE\\Vendor", u"Version", 1, {'1', 0});
        fs().volumeFlags[u"C:\\"] = 0;
        fs().addFile(u"C:\\data\\readme.txt", {'r'}, 1000);
        EXPECT_TRUE(appendDirectory(options, u"C:\\data", MODE_COMPLETE));
        options.disableParallel = true;
        previousReport = setTextReportTarget({[](void* context, const char* text) {
                                                   static_cast<std::vector<std::string>*>(context)->push_back(text);
                                               },
                                               &reports});
        ui.installer = [this] {
            reg().putValue(RegistryRoot::LOCAL_MACHINE, u"SOFTWARE\\Vendor", u"Installed", 4, {1, 0, 0, 0});
            fs().addFile(u"C:\\data\\app.exe", {'M', 'Z'}, 2000);
        };
    }
    ~PhaseFlowTest() override { setTextReportTarget(previousReport); }

    platform::MemoryRegistry& reg() { return platform.registry; }
    platform::MemoryFileSystem& fs() { return platform.fileSystem; }
    std::string remembered() {
        char buffer[TEXT_FIELD_SIZE] = {};
        readRegistryString(REMEMBERED_SNAPSHOT_ROOT, REMEMBERED_SNAPSHOT_KEY, REMEMBERED_SNAPSHOT_VALUE, 0, buffer,
                           sizeof buffer);
        return buffer;
    }
    std::vector<std::string> line(u32 n) { return ui.lines[n]; }
    std::string lastOn(u32 n) {
        auto texts = line(n);
        return texts.empty() ? "<none>" : texts.back();
    }

    platform::MemoryPlatform platform;
    test::ScopedEnglishTexts texts{platform.fileSystem};
    RunOptions options;
    FakeUi ui;
    std::vector<std::string> reports;
    TextReportTarget previousReport;
};

const std::vector<std::string> kInstalledChanges = {
    "2 p0 Installed | HKLM\\SOFTWARE\\Vendor",
    "6 p0 C:\\data\\app.exe",
};

TEST_F(PhaseFlowTest, OneClickRunsTheSetupBetweenThePassesAndShowsItsChanges) {
    copyBounded(options.setupFileName, sizeof options.setupFileName, "C:\\given.exe");
    bool again = true;
    runTracking(ui, TRACKING_ONE_CLICK, options, again);
    EXPECT_FALSE(again);
    EXPECT_EQ(ui.events, (std::vector<std::string>{"window", "wow64 off", "setup C:\\given.exe", "complete?",
                                                    "results Result Pelorin 2"}));
    std::vector<std::string> shown = ui.shown;
    std::sort(shown.begin(), shown.end());
    EXPECT_EQ(shown, kInstalledChanges);
    EXPECT_EQ(line(LINE_PASS), (std::vector<std::string>{"Pass 1: Creating snapshot...", "Pass 2: Verifying snapshot..."}));
    EXPECT_EQ(lastOn(LINE_REGISTRY_CHANGES), "Registry changes:    1");
    EXPECT_EQ(lastOn(LINE_FILE_SYSTEM_CHANGES), "File system changes: 1");
    EXPECT_EQ(remembered(), "");
}

TEST_F(PhaseFlowTest, TheWaysARunEndsWithoutAResultWindow) {
    struct Case {
        const char* what;
        u32 mode;
        std::function<void(PhaseFlowTest&)> stage;
        std::vector<std::string> events;
        std::string rememberedAfter;
        bool again;
    };
    const std::string phase1Complete = "asked Phase 1 is complete. Clic";
    const std::vector<Case> cases = {
        {"setup choice cancelled", TRACKING_ONE_CLICK, [](PhaseFlowTest& t) { t.ui.setupChoiceCode = ERR_CANCELLED; },
         {"ask setup"}, "", true},
        {"setup not complete: pass 1 saved through the Save dialog", TRACKING_ONE_CLICK,
         [](PhaseFlowTest& t) { t.ui.setupAnswer = SETUP_NOT_COMPLETE; },
         {"ask setup", "window", "wow64 off", "setup C:\\setup.exe", "complete?", "ask snapshot", phase1Complete},
         "C:\\chosen.sna", false},
        {"one-click with a save name: saved and compared, no results", TRACKING_ONE_CLICK,
         [](PhaseFlowTest& t) {
             t.options.saveSnapshot = true;
             copyBounded(t.options.snapshotFileName, sizeof t.options.snapshotFileName, "C:\\given.sna");
         },
         {"ask setup", "window", "wow64 off", "setup C:\\setup.exe", "complete?"}, "C:\\given.sna", false},
        {"two-phase through the Save dialog", TRACKING_TWO_PHASE, nullptr,
         {"window", "wow64 off", "ask snapshot", phase1Complete}, "C:\\chosen.sna", false},
        {"two-phase, Save dialog cancelled", TRACKING_TWO_PHASE, [](PhaseFlowTest& t) { t.ui.snapshotChoiceMade = false; },
         {"window", "wow64 off", "ask snapshot"}, "", false},
        {"cancelled in the progress window", TRACKING_ONE_CLICK,
         [](PhaseFlowTest& t) { t.ui.onWindow = [](TestWindow& w) { w.sink_.cancelNow(); }; },
         {"ask setup", "window", "wow64 off"}, "", false},
        {"a key that cannot be queried stops the scan", TRACKING_ONE_CLICK,
         [](PhaseFlowTest& t) { t.reg().failQuerying(RegistryRoot::LOCAL_MACHINE, u"SOFTWARE\\Vendor", 5); },
         {"ask setup", "window", "wow64 off", "box 0: Execution error, error code 5!"}, "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ui = FakeUi();
        ui.installer = [this] { fs().addFile(u"C:\\data\\app.exe", {'M', 'Z'}, 2000); };
        options.saveSnapshot = false;
        options.snapshotFileName[0] = 0;
        reg().failQuerying(RegistryRoot::LOCAL_MACHINE, u"SOFTWARE\\Vendor", 0);
        deleteRegistryString(REMEMBERED_SNAPSHOT_ROOT, REMEMBERED_SNAPSHOT_KEY, REMEMBERED_SNAPSHOT_VALUE, 0);
        if (c.stage) c.stage(*this);
        bool again = false;
        runTracking(ui, c.mode, options, again);
        EXPECT_EQ(ui.events, c.events);
        EXPECT_EQ(remembered(), c.rememberedAfter);
        EXPECT_EQ(again, c.again);
        if (!c.rememberedAfter.empty()) {
            EXPECT_NE(fs().findFile(widen(c.rememberedAfter)), nullptr);
        }
        fs().removeEntry(u"C:\\data\\app.exe");
    }
}

TEST_F(PhaseFlowTest, ASnapshotSavedInPhaseOneIsComparedByALaterRun) {
    ui.setupAnswer = SETUP_NOT_COMPLETE;  // the installer needs a restart
    bool again = false;
    runTracking(ui, TRACKING_TWO_PHASE, options, again);
    ASSERT_EQ(remembered(), "C:\\chosen.sna");
    ui.installer();  // the installation happens between the two starts of the program

    RunOptions later;
    EXPECT_TRUE(appendDirectory(later, u"C:\\nothing", MODE_QUICK));  // replaced by the snapshot's own
    later.disableParallel = true;
    readRememberedSnapshot(later);
    ASSERT_TRUE(later.phase2Pending);
    ui = FakeUi();
    ui.phaseTwoAnswers = {{true, PHASE_TWO_CONTINUE}};
    runDialogLoop(ui, later);
    EXPECT_EQ(ui.events, (std::vector<std::string>{"phase2", "window", "wow64 off", "results Result Pelorin 2"}));
    std::vector<std::string> shown = ui.shown;
    std::sort(shown.begin(), shown.end());
    EXPECT_EQ(shown, kInstalledChanges);
    EXPECT_EQ(line(LINE_PASS).front(), "Pass 1: Loading snapshot from 'C:\\chosen.sna'...");
    EXPECT_EQ(remembered(), "");  // phase 2 done: the next start begins afresh
    EXPECT_NE(fs().findFile(u"C:\\chosen.sna"), nullptr);
}

TEST_F(PhaseFlowTest, ACorruptSnapshotEndsTheRunWithItsErrorCode) {
    bool again = false;
    options.saveSnapshot = true;
    copyBounded(options.snapshotFileName, sizeof options.snapshotFileName, "C:\\broken.sna");
    runTracking(ui, TRACKING_TWO_PHASE, options, again);
    auto* file = fs().findFile(u"C:\\broken.sna");
    ASSERT_NE(file, nullptr);
    ASSERT_GT(file->bytes.size(), 40u);
    file->bytes[30] ^= 0x40;  // inside the first record

    ui = FakeUi();
    options.loadSnapshot = true;
    runTracking(ui, TRACKING_CONTINUE, options, again);
    EXPECT_EQ(ui.events, (std::vector<std::string>{"window", "wow64 off", "box 0: Execution error, error code 11!"}));
    EXPECT_EQ(line(LINE_PASS).back(), "Error loading snapshot data from 'C:\\broken.sna'.");
}

TEST_F(PhaseFlowTest, AResultFileReplacesTheWindowAndNoChangesGiveTheirMessage) {
    options.saveResult = true;
    copyBounded(options.resultFileName, sizeof options.resultFileName, "C:\\result.txt");
    copyBounded(options.setupFileName, sizeof options.setupFileName, "C:\\given.exe");
    bool again = false;
    runTracking(ui, TRACKING_ONE_CLICK, options, again);
    EXPECT_EQ(reports, (std::vector<std::string>{"Result file 'C:\\result.txt' saved.\r\n"}));
    auto* file = fs().findFile(u"C:\\result.txt");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->bytes.size() % 2, 0u);
    EXPECT_GT(file->bytes.size(), 0u);

    fs().removeEntry(u"C:\\result.txt");
    fs().putFile(u"C:\\result.txt", {});
    fs().findFile(u"C:\\result.txt")->bytes = {7};
    ui = FakeUi();  // no installer: nothing changes
    reports.clear();
    runTracking(ui, TRACKING_ONE_CLICK, options, again);
    EXPECT_EQ(ui.events.back(), "box 0: No changes to the system configuration found.");
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(fs().findFile(u"C:\\result.txt")->bytes, std::vector<u8>{7});
}

TEST_F(PhaseFlowTest, TheDialogLoopFollowsTheChoices) {
    writeRegistryString(REMEMBERED_SNAPSHOT_ROOT, REMEMBERED_SNAPSHOT_KEY, REMEMBERED_SNAPSHOT_VALUE, 0, "C:\\old.sna");
    fs().putFile(u"C:\\old.sna", {1});
    struct Case {
        const char* what;
        bool phase2Pending;
        std::function<void(FakeUi&)> stage;
        std::vector<std::string> events;
        bool keepsRemembered;
    };
    const std::vector<Case> cases = {
        {"start dialog closed", false, [](FakeUi& u) { u.startAnswers = {{false, 0, nullptr}}; }, {"start"}, true},
        {"abort, keep the snapshot, then leave", true,
         [](FakeUi& u) {
             u.phaseTwoAnswers = {{true, PHASE_TWO_ABORT}};
             u.boxAnswers = {true};
         },
         {"phase2", "box 2: You can keep the snapshot ", "start"}, true},
        {"abort and discard the snapshot", true,
         [](FakeUi& u) {
             u.phaseTwoAnswers = {{true, PHASE_TWO_ABORT}};
             u.boxAnswers = {false};
         },
         {"phase2", "box 2: You can keep the snapshot ", "start"}, false},
        {"phase-2 dialog closed", true, [](FakeUi& u) { u.phaseTwoAnswers = {{false, PHASE_TWO_CONTINUE}}; },
         {"phase2"}, true},
        {"a snapshot picked in the start dialog leads to the phase-2 dialog", false,
         [](FakeUi& u) {
             u.startAnswers = {{true, 0, "C:\\old.sna"}, {false, 0, nullptr}};
             u.phaseTwoAnswers = {{true, PHASE_TWO_NOTHING}};
         },
         {"start", "phase2", "start"}, true},
        {"setup choice cancelled: the dialogs come back", false,
         [](FakeUi& u) {
             u.startAnswers = {{true, TRACKING_ONE_CLICK, nullptr}, {false, 0, nullptr}};
             u.setupChoiceCode = ERR_CANCELLED;
         },
         {"start", "ask setup", "start"}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeRegistryString(REMEMBERED_SNAPSHOT_ROOT, REMEMBERED_SNAPSHOT_KEY, REMEMBERED_SNAPSHOT_VALUE, 0, "C:\\old.sna");
        ui = FakeUi();
        c.stage(ui);
        RunOptions run;
        run.phase2Pending = c.phase2Pending;
        runDialogLoop(ui, run);
        std::vector<std::string> events;
        for (const std::string& e : ui.events) events.push_back(e.substr(0, std::min<std::size_t>(e.size(), 33)));
        EXPECT_EQ(events, c.events);
        EXPECT_EQ(remembered(), c.keepsRemembered ? "C:\\old.sna" : "");
        EXPECT_NE(fs().findFile(u"C:\\old.sna"), nullptr);  // the file itself is never deleted
    }
}

}  // namespace
}  // namespace pelorin
