// The windows' and the companion's observers apart from the engine: what each makes of a typed
// failure, of the overwrite question, of the target's tables and of a wait to connect again.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <stdexcept>

#include "app/copy/companion_observer.h"
#include "common/stop_request.h"
#include "fakes/fake_toolkit.h"
#include "app/copy/console.h"
#include "tables/window_copy_observer.h"

namespace tess {
namespace {

struct Window {
    FakeToolkit ui;
    FakeTableList list1, list2;
    FakeProgressBar progress;
    FakeWindow window;
    StopRequest stop;
    TablesWindowControls controls{list1, list2, progress, window, nullptr, &stop};
};

// The progress and the target's list are the window's own steps: a control that fails there is
// the window's box, with its handler's step, and never reaches the copy.
TEST(WindowCopyObserver, AControlThatFailsIsReportedWithTheWindowsOwnStep) {
    struct RefusingBar : ProgressBar {
        void setValue(double) override { throw std::runtime_error("the bar is gone"); }
    };
    struct RefusingList : FakeTableList {
        void addItem(const std::string&) override { throw std::runtime_error("the list is full"); }
    };
    const struct {
        bool toFirebird;
        std::function<void(WindowCopyObserver&)> call;
        int step;
    } cases[] = {
        {true, [](WindowCopyObserver& o) { o.showProgress(50); }, 246},
        {true, [](WindowCopyObserver& o) { o.resetProgress(); }, 324},
        {true, [](WindowCopyObserver& o) { o.targetMade("T"); }, 328},
        {false, [](WindowCopyObserver& o) { o.showProgress(50); }, 224},
        {false, [](WindowCopyObserver& o) { o.targetMade("T"); }, 260},
    };
    for (const auto& c : cases) {
        FakeToolkit ui;
        FakeTableList list1;
        RefusingList list2;
        RefusingBar bar;
        FakeWindow window;
        StopRequest stop;
        TablesWindowControls controls{list1, list2, bar, window, nullptr, &stop};
        WindowCopyObserver observer(ui, controls, list2, StepsOf(c.toFirebird), "in Form2.Send ");
        EXPECT_NO_THROW(c.call(observer));
        ASSERT_EQ(ui.boxes.size(), 1u) << c.step;
        EXPECT_NE(ui.boxes[0].text.find("at line " + std::to_string(c.step)), std::string::npos) << ui.boxes[0].text;
    }
}

// Every stage has a step of each handler, but those the SQL Server direction never runs (its rows
// go without a transaction of their own).
TEST(WindowCopyObserver, EachStageIsReportedWithItsHandlersStep) {
    const struct {
        bool toFirebird;
        CopyStage stage;
        int step;
    } cases[] = {
        {true, CopyStage::kOpenSource, 152}, {true, CopyStage::kCreate, 228}, {true, CopyStage::kInsert, 318},
        {true, CopyStage::kCommit, 322},     {true, CopyStage::kAsk, 140},    {true, CopyStage::kMoveNext, 320},
        {false, CopyStage::kOpenSource, 150}, {false, CopyStage::kCreate, 210}, {false, CopyStage::kInsert, 250},
        {false, CopyStage::kReadRow, 232},    {false, CopyStage::kDrop, 146},   {false, CopyStage::kCloseSource, 258},
    };
    for (const auto& c : cases) {
        Window w;
        const char* button = c.toFirebird ? "PushButton3" : "PushButton4";
        WindowCopyObserver observer(w.ui, w.controls, c.toFirebird ? w.list2 : w.list1, StepsOf(c.toFirebird),
                                    "in Orvenda5/20/2014.Form2." + std::string(button) + "_Click ");
        CopyFailure failure{c.stage, FailureKind::kRowRefused, "the driver's words", "T", 2, "ID '2'"};
        observer.failed(failure);
        ASSERT_EQ(w.ui.boxes.size(), 1u);
        EXPECT_EQ(w.ui.boxes[0].text.substr(0, w.ui.boxes[0].text.find("\r\r")),
                  "Table T, row 2 (ID '2'):\nthe driver's words\r\nin Orvenda5/20/2014.Form2." + std::string(button) +
                      "_Click at line " +
                      std::to_string(c.step))
            << c.step;
        EXPECT_EQ(w.ui.boxes[0].title, "Application Error");
    }
}

TEST(WindowCopyObserver, TheQuestionTheListAndTheEventsAreTheWindows) {
    Window w;
    w.list2 = FakeTableList({"OLD", "KEPT"});
    WindowCopyObserver observer(w.ui, w.controls, w.list2, kToFirebirdSteps, "");
    w.ui.answers = {kAnswerNo, kAnswerYes};
    EXPECT_FALSE(observer.overwrite("KEPT"));
    EXPECT_TRUE(observer.overwrite("OLD"));
    EXPECT_EQ(w.ui.boxes[0].text, "Would you like to overwrite KEPT?");
    observer.targetDropped("OLD");
    observer.targetMade("NEW");
    EXPECT_EQ(w.list2.items(), (std::vector<std::string>{"KEPT", "NEW"}));

    const int before = w.ui.eventsProcessed;
    observer.rowSent("NEW", 1, 10);
    EXPECT_EQ(w.ui.eventsProcessed, before + 1) << "pending events run after each row";
    observer.showProgress(40);
    observer.resetProgress();
    EXPECT_EQ(w.progress.values, (std::vector<double>{40, 0}));

    w.ui.onEvents = [&] { w.stop.request(); };  // the window closed while the wait ran
    EXPECT_FALSE(observer.waitToReconnect(std::chrono::seconds(4), 1, 3));
}

TEST(CompanionObserver, AFailureIsOneLineWithTheWindowsStep) {
    std::ostringstream out;
    Console toolkit(out, false);
    const std::vector<std::string> tables{"T"};
    CompanionObserver observer(toolkit, nullptr, false, tables, nullptr);
    observer.failed(CopyFailure{CopyStage::kInsert, FailureKind::kRowRefused, "first line\nsecond line", "T", 7, "ID '7'"});
    observer.structureRefused("T", "the primary key", "no");
    observer.overwriteAnswered("T", false);  // --overwrite was not given
    const std::string printed = out.str();
    EXPECT_NE(printed.find("T, row 7 (ID '7'): first line / second line [step 250]"), std::string::npos) << printed;
    EXPECT_NE(printed.find("T: the primary key was not made: no"), std::string::npos) << printed;
    EXPECT_NE(printed.find("Overwrite?: Would you like to overwrite T? no"), std::string::npos) << printed;
}

// A block the target would not take is said in one line, and is no failure: every row still arrives.
TEST(CompanionObserver, ARefusedBlockIsSaidButIsNoFailure) {
    std::ostringstream out;
    Console toolkit(out, false);
    const std::vector<std::string> tables{"T"};
    CompanionObserver observer(toolkit, nullptr, true, tables, nullptr);
    observer.blockRefused("T", 255, "Dynamic SQL Error\n-request size limit exceeded");
    EXPECT_NE(out.str().find("T: the target would not take a block of 255 rows, so its rows go one at a time: "
                             "Dynamic SQL Error / -request size limit exceeded"),
              std::string::npos)
        << out.str();
    EXPECT_EQ(toolkit.errorReports(), 0);
}

}  // namespace
}  // namespace tess
