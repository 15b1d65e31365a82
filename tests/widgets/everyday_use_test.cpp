// The tables window as a person uses it day to day: mouse clicks and keys on the real widgets,
// with the selection, current entry, scroll position, tooltips and pixels read back.
#include <gtest/gtest.h>

#include <QHelpEvent>
#include <QImage>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QWindow>
#include <QToolTip>

#include "pixels.h"
#include "program_fixture.h"

namespace tess {
namespace {

class EverydayUseTest : public TablesWindowFixture {
protected:
    std::vector<std::string> boxTexts() const {
        std::vector<std::string> out;
        for (const auto& b : ui.boxes) out.push_back(b.text);
        return out;
    }
    int selectedCount(QListWidget* list) { return static_cast<int>(list->selectedItems().size()); }
};

// Select All leaves every entry selected and the first one current, so that the buttons act on the
// selection; Deselect All clears the flags and nothing else.
TEST_F(EverydayUseTest, SelectAllThenActOnTheSelection) {
    storeWorkingLogins();
    start();
    struct Side {
        const char* list;
        const char* selectAll;
        const char* deselectAll;
        const char* remove;
        FakeDatabase* database;
    } sides[] = {{"List1", "PushButton10", "PushButton11", "PushButton1", &sqlServer},
                 {"List2", "PushButton8", "PushButton9", "PushButton5", &firebird}};
    for (const Side& side : sides) {
        auto* list = tables<QListWidget>(side.list);
        click(side.selectAll);
        EXPECT_EQ(list->currentRow(), 0) << side.list;
        EXPECT_EQ(selectedCount(list), 2) << side.list;
        click(side.deselectAll);
        EXPECT_EQ(selectedCount(list), 0) << side.list;
        EXPECT_EQ(list->currentRow(), 0) << side.list << ": the current entry stays";
        click(side.remove);
        EXPECT_TRUE(side.database->calls("execute DROP").empty()) << "nothing selected, nothing dropped";
        click(side.selectAll);
        click(side.remove);
        EXPECT_EQ(side.database->calls("execute DROP").size(), 2u) << side.list;
        EXPECT_EQ(list->count(), 0) << side.list;
    }
    EXPECT_EQ(boxTexts(), std::vector<std::string>{}) << "never \"Please select a table\"";

    // Rename and Send read the same current entry.
    program->loginWindow().show();
    QTest::mouseClick(login<QPushButton>("PushButton2"), Qt::LeftButton);  // Next >: listed again
    click("PushButton10");
    click("PushButton6");
    EXPECT_EQ(boxTexts(), std::vector<std::string>{"Please select just one table to rename"});
}

// Enter and the keypad's Enter press the focused button, as Space does.
TEST_F(EverydayUseTest, EnterPressesTheFocusedButton) {
    storeWorkingLogins();
    start();
    QApplication::setActiveWindow(&program->tablesWindow());
    auto* list2 = tables<QListWidget>("List2");
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
        list2->clearSelection();
        auto* selectAll = tables<QPushButton>("PushButton8");
        selectAll->setFocus(Qt::TabFocusReason);
        QTest::keyClick(selectAll, key, key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
        EXPECT_EQ(selectedCount(list2), 2) << "key " << key;
    }
    // The login window's buttons too: Enter on "Test Connection" of the Firebird side.
    program->loginWindow().show();
    auto* test = login<QPushButton>("PushButton6");
    test->setFocus(Qt::TabFocusReason);
    ui.boxes.clear();
    QTest::keyClick(test, Qt::Key_Return);
    EXPECT_EQ(ui.boxes.size(), 1u) << "the test's answer";
}

// After "< Back" and "Next >" the refilled lists start at the top.
TEST_F(EverydayUseTest, RefilledListsStartAtTheTop) {
    storeWorkingLogins();
    std::vector<std::pair<std::string, std::string>> many;
    for (int i = 0; i < 60; ++i) many.push_back({"T" + std::to_string(100 + i), "TABLE"});
    sqlServer.catalogue = FakeDatabase::Catalogue(many);
    start();
    auto* list1 = tables<QListWidget>("List1");
    list1->scrollToBottom();
    QApplication::processEvents();
    ASSERT_GT(list1->verticalScrollBar()->value(), 0);
    click("PushButton2");  // < Back
    QTest::mouseClick(login<QPushButton>("PushButton2"), Qt::LeftButton);  // Next >
    QApplication::processEvents();
    EXPECT_EQ(list1->verticalScrollBar()->value(), 0);
    EXPECT_EQ(list1->indexAt(QPoint(2, 2)).row(), 0) << "the first entry is the one at the top";
}

// A name wider than its list shows whole in a tooltip; a name that fits needs none.
TEST_F(EverydayUseTest, LongNamesShowWholeInATooltip) {
    storeWorkingLogins();
    const std::string longName = "ORDERS_OF_THE_NORTHERN_REGION_ARCHIVED_BEFORE_THE_MIGRATION_OF_2019";
    firebird.catalogue = FakeDatabase::Catalogue({{"A", "TABLE"}, {longName, "TABLE"}});
    start();
    auto* list2 = tables<QListWidget>("List2");
    auto tipOver = [&](int row) {
        const QRect r = list2->visualItemRect(list2->item(row));
        const QPoint at = r.center();
        QHelpEvent help(QEvent::ToolTip, at, list2->viewport()->mapToGlobal(at));
        QApplication::sendEvent(list2->viewport(), &help);
        return QToolTip::isVisible() ? QToolTip::text().toStdString() : std::string();
    };
    EXPECT_EQ(tipOver(0), "");  // first: a hidden tooltip fades out on a timer
    EXPECT_EQ(tipOver(1), longName);
}

}  // namespace
}  // namespace tess

namespace tess {
namespace {

// A keyboard user sees where the focus is: on the buttons of both windows, skinned or not, and on
// the entry that holds a list's focus cursor.
TEST_F(EverydayUseTest, TheFocusMarkStandsOut) {
    storeWorkingLogins();
    start();
    auto focusChange = [](QWidget* w, QWidget* elsewhere) {
        QApplication::setActiveWindow(w->window());
        elsewhere->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        const QImage without = w->grab().toImage();
        w->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        const QImage with = w->grab().toImage();
        return EdgeChange(without, with, w->rect(), 3);
    };
    program->loginWindow().show();
    EXPECT_GE(focusChange(login<QPushButton>("PushButton6"), login<QPushButton>("PushButton2")), 0.4)
        << "a skinned button";
    program->tablesWindow().show();
    EXPECT_GE(focusChange(tables<QPushButton>("PushButton4"), tables<QPushButton>("PushButton3")), 0.4)
        << "a button of the tables window";

    auto* list2 = tables<QListWidget>("List2");
    list2->setFocus(Qt::TabFocusReason);
    QTest::keyClick(list2, Qt::Key_Down);
    QApplication::processEvents();
    const QImage picture = list2->viewport()->grab().toImage();
    const QRect entry = list2->visualItemRect(list2->item(0)).intersected(list2->viewport()->rect());
    const QColor fill = picture.pixel(entry.right() - 4, entry.center().y());
    QImage plain(picture.size(), picture.format());
    plain.fill(fill);
    EXPECT_GE(EdgeChange(plain, picture, entry, 1), 0.3) << "the current entry's outline stands out of its fill";
}

}  // namespace
}  // namespace tess

namespace tess {
namespace {

// While a copy runs, the pointer is the hourglass wherever it goes in the window, buttons included:
// what the window system shows is read back from the window's handle.
TEST_F(EverydayUseTest, TheBusyPointerShowsOverTheButtonsDuringACopy) {
    storeWorkingLogins();
    FakeResult rows;
    rows.fields = {{"ID", 3, 4, 10, 0}};
    for (int i = 0; i < 20; ++i) rows.rows.push_back({std::int64_t{i}});
    sqlServer.results["SELECT * FROM [Orders]"] = rows;
    start();
    QWidget& window = program->tablesWindow();
    auto shown = [&] { return window.windowHandle()->cursor().shape(); };
    auto moveOver = [&](QWidget* w) {
        QTest::mouseMove(window.windowHandle(), w->mapTo(&window, w->rect().center()));
        QApplication::processEvents();
    };
    auto* send = tables<QPushButton>("PushButton3");
    moveOver(send);
    ASSERT_EQ(shown(), Qt::BitmapCursor) << "the hand over a button";
    std::vector<std::pair<std::string, Qt::CursorShape>> seen;
    ui.onEvents = [&] {
        if (firebird.calls("execute INSERT").size() != 5 || !seen.empty()) return;
        for (const char* over : {"PushButton3", "PushButton5", "PushButton12", "List2", "PushButton1"}) {
            moveOver(tables<QWidget>(over));
            seen.push_back({over, shown()});
        }
    };
    auto* list1 = tables<QListWidget>("List1");
    list1->setCurrentRow(list1->row(list1->findItems("Orders", Qt::MatchExactly).front()));
    QTest::mouseClick(send, Qt::LeftButton);
    ui.onEvents = nullptr;
    ASSERT_EQ(seen.size(), 5u);
    for (const auto& [over, shape] : seen) EXPECT_EQ(shape, Qt::WaitCursor) << over;
    moveOver(tables<QWidget>("PushButton5"));
    EXPECT_EQ(shown(), Qt::BitmapCursor) << "the hand again after the copy";
}

}  // namespace
}  // namespace tess

namespace tess {
namespace {

// Tab walks the tables window in its design's tab order, frames and progress bar passed over.
TEST_F(EverydayUseTest, TabFollowsTheDesignsOrder) {
    storeWorkingLogins();
    start();
    QApplication::setActiveWindow(&program->tablesWindow());
    tables<QListWidget>("List1")->setFocus(Qt::TabFocusReason);
    std::vector<std::string> order;
    for (int i = 0; i < 14; ++i) {
        order.push_back(QApplication::focusWidget()->objectName().toStdString());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(order, (std::vector<std::string>{"List1", "List2", "PushButton10", "PushButton11", "PushButton3",
                                               "PushButton1", "PushButton6", "PushButton8", "PushButton9",
                                               "PushButton4", "PushButton5", "PushButton7", "PushButton2",
                                               "PushButton12"}));
    EXPECT_EQ(QApplication::focusWidget()->objectName(), "List1") << "and round again";
}

// A table the target refuses to make costs one box, not one a row: each box is modal, and one a
// row kept the window from being closed for as many rows as the table had.
TEST_F(EverydayUseTest, ARefusedCreateIsOneBox) {
    storeWorkingLogins();
    FakeResult rows;
    rows.fields = {{"ID", 3, 4, 10, 0}};
    for (int i = 1; i <= 40; ++i) rows.rows.push_back({std::int64_t{i}});
    sqlServer.results["SELECT * FROM [Orders]"] = rows;
    firebird.failOn("execute CREATE TABLE", "Table Orders already exists");
    start();
    auto* list = tables<QListWidget>("List1");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
    ASSERT_EQ(list->currentItem()->text(), "Orders");
    click("PushButton3");
    ASSERT_EQ(ui.boxes.size(), 1u) << boxTexts().back();
    EXPECT_NE(ui.boxes[0].text.find("Orders was not copied: no rows were sent to it."), std::string::npos)
        << ui.boxes[0].text;
    EXPECT_TRUE(firebird.calls("execute INSERT").empty());
}

// Rows the target refuses for their own values, clicked as a person sends a table: the cap's boxes
// and one that counts the rest, each naming its table and row; every row tried, the good ones sent.
TEST_F(EverydayUseTest, RefusedRowsCostTheCapsBoxesAndTheGoodRowsGo) {
    storeWorkingLogins();
    FakeResult rows;
    rows.fields = {{"ID", 3, 4, 10, 0}};
    const int refused = 150, good = 20;
    for (int i = 1; i <= refused + good; ++i) rows.rows.push_back({std::int64_t{i}});
    sqlServer.results["SELECT * FROM [Orders]"] = rows;
    DatabaseError::Details truncation;
    truncation.rowValues = true;
    for (int i = 1; i <= refused; ++i)
        firebird.failOn("execute INSERT INTO \"Orders\" VALUES(" + std::to_string(i) + ")", "string right truncation",
                        truncation, 1);
    start();
    auto* list = tables<QListWidget>("List1");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
    ASSERT_EQ(list->currentItem()->text(), "Orders");
    click("PushButton3");
    ASSERT_EQ(ui.boxes.size(), 101u);
    EXPECT_EQ(ui.boxes[0].text.rfind("Table Orders, row 1:\nstring right truncation", 0), 0u) << ui.boxes[0].text;
    EXPECT_EQ(ui.boxes[99].text.rfind("Table Orders, row 100:", 0), 0u) << ui.boxes[99].text;
    EXPECT_EQ(ui.boxes[100].text, "The target refused 150 rows of Orders, which were not sent; after 100 boxes for "
                                  "one reason the rest were counted without a box.");
    EXPECT_EQ(firebird.calls("execute INSERT").size(), static_cast<size_t>(refused + good));
    EXPECT_EQ(tables<QListWidget>("List2")->findItems("Orders", Qt::MatchExactly).size(), 1);
}

}  // namespace
}  // namespace tess
