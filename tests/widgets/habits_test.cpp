// The tables window under a person's own habits: the list's own keys, the focus seen where there is
// no current entry, a busy window that says so, and the help picture's window.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include "pixels.h"
#include "platform/qt/qt_toolkit.h"
#include "program_fixture.h"

namespace tess {
namespace {

class HabitsTest : public TablesWindowFixture {
protected:
    // Into the list from the keyboard, as Tab brings a person there: no entry becomes current.
    QListWidget* tabInto(const char* name) {
        QApplication::setActiveWindow(&program->tablesWindow());
        auto* list = tables<QListWidget>(name);
        list->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        return list;
    }
    // The window started over a source whose Orders and Lines have five rows each; Orders current
    // from the keyboard, and Send focused.
    QPushButton* startWithOrdersFocusedOnSend() {
        storeWorkingLogins();
        FakeResult rows;
        rows.fields = {{"ID", 3, 4, 10, 0}};
        for (int i = 0; i < 5; ++i) rows.rows.push_back({std::int64_t{i}});
        sqlServer.results["SELECT * FROM [Orders]"] = rows;
        sqlServer.results["SELECT * FROM [Lines]"] = rows;
        start();
        auto* list1 = tabInto("List1");
        QTest::keyClick(list1, Qt::Key_Down);
        QTest::keyClick(list1, Qt::Key_Down);
        auto* send = tables<QPushButton>("PushButton3");
        send->setFocus(Qt::TabFocusReason);
        return send;
    }
    bool boxSaid(const std::string& text) const {
        for (const auto& b : ui.boxes)
            if (b.text == text) return true;
        return false;
    }
};

// Ctrl+A selects every entry, and every button of that side acts on it as on the Select All
// button's selection: nothing answers "Please select a table".
TEST_F(HabitsTest, CtrlAIsASelectionTheButtonsSee) {
    struct Case {
        const char* list;
        const char* button;
        FakeDatabase* database;
        const char* expectedCall;  // what the button does with the selection
    } cases[] = {
        {"List1", "PushButton3", &sqlServer, "query SELECT * FROM [Orders]"},
        {"List2", "PushButton4", &firebird, "query SELECT * FROM \"SALES\""},
        {"List1", "PushButton1", &sqlServer, "execute DROP TABLE [Orders]"},
        {"List2", "PushButton5", &firebird, "execute DROP TABLE \"SALES\""},
    };
    for (const Case& c : cases) {
        ui.boxes.clear();
        sqlServer.log.clear();
        firebird.log.clear();
        storeWorkingLogins();
        start();
        QListWidget* list = tabInto(c.list);
        ASSERT_EQ(list->currentRow(), -1) << c.list;
        QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
        ASSERT_EQ(list->selectedItems().size(), 2) << c.list;
        click(c.button);
        EXPECT_FALSE(boxSaid("Please select a table")) << c.button;
        EXPECT_FALSE(boxSaid("Please select a table to send.")) << c.button;
        EXPECT_FALSE(c.database->calls(c.expectedCall).empty()) << c.button;
    }
    // Rename with two entries selected asks for one, not for a selection.
    ui.boxes.clear();
    QTest::keyClick(tabInto("List1"), Qt::Key_A, Qt::ControlModifier);
    click("PushButton6");
    EXPECT_TRUE(boxSaid("Please select just one table to rename"));
    EXPECT_FALSE(boxSaid("Please select a table"));
}

// A focused list shows it even before any entry is current: Tab into each list changes its edge.
TEST_F(HabitsTest, AFocusedListWithoutACurrentEntryShowsTheFocus) {
    storeWorkingLogins();
    start();
    QApplication::setActiveWindow(&program->tablesWindow());
    for (const char* name : {"List1", "List2"}) {
        auto* list = tables<QListWidget>(name);
        tables<QPushButton>("PushButton12")->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        const QImage without = list->viewport()->grab().toImage();
        list->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        ASSERT_EQ(list->currentRow(), -1) << name;
        const QImage with = list->viewport()->grab().toImage();
        EXPECT_GE(EdgeChange(without, with, list->viewport()->rect(), 2), 0.3) << name;
        // Once an entry is current its own outline is the mark; the list's goes.
        QTest::keyClick(list, Qt::Key_Down);
        QApplication::processEvents();
        const QImage current = list->viewport()->grab().toImage();
        QRect belowTheEntries = list->viewport()->rect();
        belowTheEntries.setTop(list->visualItemRect(list->item(list->count() - 1)).bottom() + 4);
        EXPECT_LT(EdgeChange(without, current, belowTheEntries, 2), 0.05) << name;
    }
}

// While a copy runs, the buttons that would ignore a click look disabled, Help stays usable, and
// afterwards all are back, the focus where the person left it.
TEST_F(HabitsTest, ButtonsThatCannotActLookDisabledDuringACopy) {
    auto* send = startWithOrdersFocusedOnSend();
    ASSERT_EQ(tables<QListWidget>("List1")->currentItem()->text(), "Orders");
    const char* const idleOnly[] = {"PushButton1", "PushButton2", "PushButton3", "PushButton4",
                                    "PushButton5", "PushButton6", "PushButton7", "PushButton8",
                                    "PushButton9", "PushButton10", "PushButton11"};
    std::map<std::string, bool> enabledDuring;
    ui.onEvents = [&] {
        for (const char* name : idleOnly) enabledDuring[name] = enabledDuring[name] || tables<QPushButton>(name)->isEnabled();
        enabledDuring["PushButton12"] = tables<QPushButton>("PushButton12")->isEnabled();
    };
    QTest::keyClick(send, Qt::Key_Space);
    ui.onEvents = nullptr;
    ASSERT_FALSE(firebird.calls("execute INSERT").empty()) << "the copy ran";
    for (const char* name : idleOnly) {
        EXPECT_FALSE(enabledDuring[name]) << name << " during the copy";
        EXPECT_TRUE(tables<QPushButton>(name)->isEnabled()) << name << " after it";
    }
    EXPECT_TRUE(enabledDuring["PushButton12"]) << "Help";
    EXPECT_EQ(QApplication::focusWidget(), send) << "the focus comes back";
}

// During a copy the focus goes nowhere rather than to Help, so that Enter opens nothing; the lists
// take no new selection, shown disabled, since the copy read the selection already.
TEST_F(HabitsTest, DuringACopyTheFocusWaitsAndTheListsTakeNoSelection) {
    auto* send = startWithOrdersFocusedOnSend();
    auto* list1 = tables<QListWidget>("List1");
    ASSERT_EQ(list1->currentItem()->text(), "Orders");
    bool checked = false, listsEnabled = true;
    QWidget* focusDuring = send;
    ui.onEvents = [&] {
        if (checked) return;
        checked = true;
        focusDuring = QApplication::focusWidget();
        listsEnabled = list1->isEnabled() || tables<QListWidget>("List2")->isEnabled();
        // A person presses Enter, and clicks the other entry of the list.
        QTest::keyClick(focusDuring ? focusDuring : &program->tablesWindow(), Qt::Key_Return);
        QTest::mouseClick(list1->viewport(), Qt::LeftButton, {}, list1->visualItemRect(list1->item(0)).center());
    };
    QTest::keyClick(send, Qt::Key_Space);
    ui.onEvents = nullptr;
    ASSERT_TRUE(checked) << "the copy ran";
    EXPECT_NE(focusDuring, tables<QPushButton>("PushButton12")) << "not on Help";
    EXPECT_FALSE(listsEnabled);
    EXPECT_TRUE(ui.boxes.empty()) << "Enter opened nothing: " << (ui.boxes.empty() ? "" : ui.boxes[0].text);
    EXPECT_EQ(list1->currentItem()->text(), "Orders") << "the click during the copy chose nothing";
    EXPECT_EQ(list1->selectedItems().size(), 1);
    EXPECT_TRUE(list1->isEnabled());
    EXPECT_EQ(QApplication::focusWidget(), send) << "the focus comes back";
}

// The bar says what the copy waits for: busy while the source is counted, before the first row;
// after a lost connection, that it connects again and when; then its measure again.
TEST_F(HabitsTest, TheBarSaysWhatTheCopyWaitsFor) {
    startWithOrdersFocusedOnSend();
    // Sent bottom up: Orders, then Lines; the link is lost in Orders.
    firebird.failOn("execute INSERT INTO \"Orders\" VALUES(2)", "[08S01] Communication link failure", 1, true);
    auto* bar = tables<QProgressBar>("ProgressBar1");
    bool busyBeforeAnyRow = false;
    std::vector<std::string> said;
    ui.onEvents = [&] {
        if (firebird.calls("execute INSERT").empty() && bar->maximum() == 0) busyBeforeAnyRow = true;
        const std::string words = bar->format().toStdString();
        if (words != "Progress Bar" && (said.empty() || said.back() != words)) said.push_back(words);
    };
    click("PushButton10");  // both tables
    click("PushButton3");
    ui.onEvents = nullptr;
    EXPECT_TRUE(busyBeforeAnyRow) << "busy while the source is counted";
    ASSERT_GE(said.size(), 2u);
    EXPECT_EQ(said.front(), "Connection lost: connecting again in 1 s (try 1 of 3). Close the window to stop.");
    EXPECT_EQ(said.back(), "Connecting again (try 1 of 3)...");
    EXPECT_EQ(bar->format(), "Progress Bar") << "its own words again";
    EXPECT_EQ(bar->maximum(), 100);
    EXPECT_EQ(firebird.calls("execute INSERT INTO \"Lines\"").size(), 5u) << "the next table after connecting again";
}

// The help picture opens beside the window that asked (right where the screen has room, else
// left), so that both stay readable, titled for what it shows, keeping the focus there; asked again
// it comes to the front with the focus; Escape closes it.
TEST(HelpPicture, BesideTheAskerRaisedAndClosedByEscape) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const struct {
        QRect asker;
        bool toTheRight;
    } cases[] = {
        {QRect(screen.left() + 20, screen.top() + 20, 200, 150), true},
        {QRect(screen.right() - 240, screen.top() + 20, 220, 150), false},
    };
    for (const auto& c : cases) {
        QWidget asker;
        asker.setGeometry(c.asker);
        asker.show();
        QApplication::setActiveWindow(&asker);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&asker));
        QtShell shell;
        const std::string request =
            "explorer \"" + std::string(TESSALINE_PROGRAM_FOLDER) + "/local-connection-example.jpg\"";
        shell.run(request, kMinimizedKeepFocus);
        QWidget* picture = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == "Picture" && w->isVisible()) picture = w;
        ASSERT_NE(picture, nullptr);
        EXPECT_EQ(picture->windowTitle(), "Local connection example - Tessaline");
        const QRect shown = picture->frameGeometry();
        EXPECT_FALSE(shown.intersects(asker.frameGeometry())) << "beside, not over: " << shown.x();
        EXPECT_EQ(shown.left() > asker.frameGeometry().right(), c.toTheRight) << shown.x();
        EXPECT_TRUE(screen.contains(shown)) << "on the screen";
        EXPECT_TRUE(picture->testAttribute(Qt::WA_ShowWithoutActivating)) << "the first showing keeps the focus";

        asker.activateWindow();  // the person goes back to the asking window
        ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &asker; }));
        shell.run(request, kMinimizedKeepFocus);
        EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == picture; }))
            << "asked again, it comes to the front";
        QTest::keyClick(picture, Qt::Key_Escape);
        EXPECT_FALSE(picture->isVisible());
    }
}

}  // namespace
}  // namespace tess
