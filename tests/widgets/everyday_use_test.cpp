// The tables window as a person uses it day to day: mouse clicks and keys on the real widgets,
// with the selection, current entry, scroll position, tooltips and pixels read back.
#include <gtest/gtest.h>

#include <QHelpEvent>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QToolTip>

#include "program_fixture.h"

namespace tess {
namespace {

class EverydayUseTest : public ProgramFixture {
protected:
    void SetUp() override { ui.folder = TESSALINE_PROGRAM_FOLDER; }
    void storeWorkingLogins() {
        ProgramFixture::storeWorkingLogins();
        sqlServer.catalogue = FakeDatabase::Catalogue({{"Orders", "TABLE"}, {"Lines", "TABLE"}});
        firebird.catalogue = FakeDatabase::Catalogue({{"CUSTOMERS", "TABLE"}, {"SALES", "TABLE"}});
    }
    void click(const char* button) { QTest::mouseClick(tables<QPushButton>(button), Qt::LeftButton); }
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
