// The two windows through their real widgets, with fakes for the databases, the settings store,
// the shell and the modal boxes.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "connect/connection_strings.h"
#include "program_fixture.h"

namespace tess {
namespace {

class WindowsTest : public ProgramFixture {
protected:
    QStringList items(const char* list) {
        QStringList out;
        auto* w = tables<QListWidget>(list);
        for (int i = 0; i < w->count(); ++i) out << w->item(i)->text();
        return out;
    }
    void select(const char* list, std::initializer_list<int> rows) {
        auto* w = tables<QListWidget>(list);
        for (int row : rows) {
            w->setCurrentRow(row, QItemSelectionModel::Select);
        }
    }
    std::vector<std::string> boxTexts() const {
        std::vector<std::string> out;
        for (const auto& b : ui.boxes) out.push_back(b.text);
        return out;
    }
};

TEST_F(WindowsTest, FirstStartOnAnEmptyStore) {
    start();
    EXPECT_EQ(login<QLineEdit>("Text7")->text(), "SYSDBA");
    EXPECT_EQ(login<QLineEdit>("Text6")->text(), "1433");
    EXPECT_EQ(login<QLineEdit>("Text1")->text(), "");
    EXPECT_FALSE(login<QCheckBox>("Check4")->isChecked());
    EXPECT_EQ(settings.writes, (std::vector<std::string>{"FireBirdUser=SYSDBA", "MSSQL Port=1433"}));
    EXPECT_TRUE(firebird.log.empty()) << "no server named, so no connection is tried";
    EXPECT_TRUE(program->loginWindow().isVisible());
    EXPECT_EQ(program->loginWindow().windowTitle(), "Tessaline");
    EXPECT_TRUE(shell.commands.empty());
}

TEST_F(WindowsTest, EveryEditIsStoredAtOnce) {
    store("Local Connection", "yes");
    start();
    EXPECT_TRUE(login<QCheckBox>("Check4")->isChecked());
    settings.writes.clear();
    const std::pair<const char*, const char*> fields[] = {
        {"Text1", "FireBirdDatabase"}, {"Text2", "FireBirdPassword"}, {"Text3", "MSSQL User"},
        {"Text4", "MSSQL Password"},   {"Text5", "MSSQL Server"},     {"Text6", "MSSQL Port"},
        {"Text7", "FireBirdUser"},     {"Text8", "MSSQL Database"}};
    for (const auto& [name, key] : fields) {
        login<QLineEdit>(name)->setText("v;}");
        EXPECT_EQ(settings.values[std::string("Tessaline/") + key], "v;}") << name;
    }
    login<QCheckBox>("Check4")->click();
    EXPECT_EQ(settings.values["Tessaline/Local Connection"], "0");
    login<QCheckBox>("Check4")->click();
    EXPECT_EQ(settings.values["Tessaline/Local Connection"], "1");
    EXPECT_EQ(settings.writes.size(), 10u);
    EXPECT_EQ(login<QLineEdit>("Text2")->echoMode(), QLineEdit::Password);
    EXPECT_EQ(login<QLineEdit>("Text4")->echoMode(), QLineEdit::Password);
}

TEST_F(WindowsTest, MovesOnByItselfWhenBothLoginsWork) {
    storeWorkingLogins();
    sqlServer.catalogue = FakeDatabase::Catalogue({{"Orders", "TABLE"}, {"sysdiagrams", "TABLE"}});
    firebird.catalogue = FakeDatabase::Catalogue({{"CUSTOMERS", "TABLE"}, {"RDB$PAGES", "SYSTEM TABLE"}});
    start();
    ASSERT_TRUE(program->tablesWindowExists());
    EXPECT_TRUE(program->tablesWindow().isVisible());
    EXPECT_FALSE(program->loginWindow().isVisible());
    EXPECT_EQ(items("List1"), QStringList{"Orders"});
    EXPECT_EQ(items("List2"), QStringList{"CUSTOMERS"});
    EXPECT_TRUE(ui.boxes.empty());
}

// The code page of NONE text is set in the settings file alone, and reaches every Firebird login.
TEST_F(WindowsTest, TheCodePageOfNoneTextComesFromTheSettings) {
    storeWorkingLogins();
    settings.values["Tessaline/FireBird NONE Code Page"] = "cp1251";
    start();
    ASSERT_FALSE(firebird.opened.empty());
    for (const ConnectionSettings& opened : firebird.opened) {
        ASSERT_NE(opened.firebird(), nullptr);
        EXPECT_EQ(opened.firebird()->noneCodePage, "cp1251");
    }
}

TEST_F(WindowsTest, AFailingFirebirdCheckStopsTheMoveSilently) {
    storeWorkingLogins();
    firebird.failOn("open", "I/O error");
    start();
    EXPECT_FALSE(program->tablesWindowExists());
    EXPECT_TRUE(sqlServer.calls("open").empty()) << "the SQL Server check is not tried";
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(WindowsTest, BackThenNextRefillsTheLists) {
    storeWorkingLogins();
    sqlServer.catalogue = FakeDatabase::Catalogue({{"A", "TABLE"}, {"B", "TABLE"}});
    firebird.catalogue = FakeDatabase::Catalogue({{"X", "TABLE"}});
    start();
    tables<QPushButton>("PushButton2")->click();
    EXPECT_TRUE(program->loginWindow().isVisible());
    EXPECT_FALSE(program->tablesWindow().isVisible());
    login<QPushButton>("PushButton2")->click();
    EXPECT_EQ(items("List1"), (QStringList{"A", "B"}));
    EXPECT_EQ(items("List2"), QStringList{"X"});
    EXPECT_TRUE(program->tablesWindow().isVisible());
}

TEST_F(WindowsTest, SelectAllAndDeselectAll) {
    storeWorkingLogins();
    sqlServer.catalogue = FakeDatabase::Catalogue({{"b", "TABLE"}, {"A", "TABLE"}, {"c", "TABLE"}});
    start();
    auto* list1 = tables<QListWidget>("List1");
    EXPECT_EQ(items("List1"), (QStringList{"A", "b", "c"})) << "sorted without regard to case";
    tables<QPushButton>("PushButton10")->click();
    EXPECT_EQ(list1->selectedItems().size(), 3);
    tables<QPushButton>("PushButton11")->click();
    EXPECT_EQ(list1->selectedItems().size(), 0);
    tables<QPushButton>("PushButton8")->click();  // the empty Firebird list
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(WindowsTest, DeletingOnTheSqlServerSide) {
    storeWorkingLogins();
    sqlServer.catalogue = FakeDatabase::Catalogue({{"A", "TABLE"}, {"B", "TABLE"}, {"C", "TABLE"}, {"D]x", "TABLE"}});
    start();
    select("List1", {0, 1, 3});
    const int before = sqlServer.connectionsCreated;
    sqlServer.log.clear();
    sqlServer.failOn("execute DROP TABLE [B]", "Could not drop object 'B' because it is referenced.");
    tables<QPushButton>("PushButton1")->click();
    EXPECT_EQ(sqlServer.calls("execute"), (std::vector<std::string>{"execute DROP TABLE [D]]x];",
                                                                    "execute DROP TABLE [B];", "execute DROP TABLE [A];"}));
    EXPECT_EQ(sqlServer.calls("open").size(), 3u) << "one connection each";
    EXPECT_EQ(sqlServer.calls("close").size(), 3u);
    EXPECT_EQ(sqlServer.connectionsCreated - before, 1);
    EXPECT_EQ(items("List1"), (QStringList{"B", "C"})) << "B could not be dropped and stays listed";
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_NE(ui.boxes[0].text.find("PushButton1_Click at line 118"), std::string::npos);
}

TEST_F(WindowsTest, DeletingOnTheFirebirdSide) {
    storeWorkingLogins();
    firebird.catalogue = FakeDatabase::Catalogue({{"MyTable", "TABLE"}, {"a\"b", "TABLE"}});
    start();
    tables<QPushButton>("PushButton5")->click();
    EXPECT_EQ(boxTexts(), std::vector<std::string>{"Please select a table"});
    EXPECT_EQ(ui.boxes[0].title, "Tessaline");
    select("List2", {0, 1});
    tables<QPushButton>("PushButton5")->click();
    EXPECT_EQ(firebird.calls("execute"),
              (std::vector<std::string>{"execute DROP TABLE \"MyTable\"", "execute DROP TABLE \"a\"\"b\""}));
    EXPECT_TRUE(items("List2").isEmpty());
}

// A refused DROP keeps the entry of a table that is still there, removes the entry of one that is
// gone (dropped by someone else since the listing), and names a view as the cause.
TEST_F(WindowsTest, ARefusedDropLeavesTheListTrue) {
    storeWorkingLogins();
    sqlServer.catalogue = FakeDatabase::Catalogue({{"Kept", "TABLE"}, {"Gone", "TABLE"}});
    firebird.catalogue = FakeDatabase::Catalogue({{"KEPT", "TABLE"}, {"GONE", "TABLE"}, {"V", "VIEW"}});
    start();
    sqlServer.catalogue = FakeDatabase::Catalogue({{"Kept", "TABLE"}});
    firebird.catalogue = FakeDatabase::Catalogue({{"KEPT", "TABLE"}, {"V", "VIEW"}});
    sqlServer.failOn("execute DROP", "Cannot drop the table, because it does not exist or you do not have permission.");
    firebird.failOn("execute DROP", "unsuccessful metadata update");
    select("List1", {0, 1});
    tables<QPushButton>("PushButton1")->click();
    EXPECT_EQ(items("List1"), QStringList{"Kept"});
    select("List2", {0, 1, 2});
    tables<QPushButton>("PushButton5")->click();
    EXPECT_EQ(items("List2"), (QStringList{"KEPT", "V"}));
    ASSERT_EQ(ui.boxes.size(), 5u) << "one report for each refused DROP";
    EXPECT_NE(ui.boxes[2].text.find("unsuccessful metadata update\r\nV is a view: Delete Table/s drops tables, "
                                    "not views.\r\nin Orvenda5/20/2014.Form2.PushButton5_Click at line 112"),
              std::string::npos)
        << ui.boxes[2].text;
    EXPECT_EQ(ui.boxes[3].text.find("view"), std::string::npos);
}

TEST_F(WindowsTest, RenamingASqlServerTable) {
    storeWorkingLogins();
    sqlServer.catalogue = FakeDatabase::Catalogue({{"Orders", "TABLE"}, {"Apples", "TABLE"}, {"Zebras", "TABLE"}});
    start();
    auto* rename = tables<QPushButton>("PushButton6");
    rename->click();
    EXPECT_EQ(boxTexts(), std::vector<std::string>{"Please select a table"});

    select("List1", {0, 1});
    rename->click();
    EXPECT_EQ(ui.boxes.back().text, "Please select just one table to rename");

    tables<QListWidget>("List1")->clearSelection();
    select("List1", {1});  // Orders
    rename->click();       // Cancel
    EXPECT_EQ(ui.prompts.back(), "Enter new name of Orders:");
    EXPECT_TRUE(sqlServer.calls("execute").empty());

    ui.inputs = {"Bob's"};
    rename->click();
    EXPECT_EQ(sqlServer.calls("execute"), std::vector<std::string>{"execute sp_rename N'[Orders]', N'Bob''s'"});
    EXPECT_EQ(items("List1"), (QStringList{"Apples", "Bob's", "Zebras"}));

    tables<QPushButton>("PushButton7")->click();
    EXPECT_EQ(ui.boxes.back().text, "No rename available for Firebird");
}

TEST_F(WindowsTest, ARefusedRenameKeepsTheOldName) {
    storeWorkingLogins();
    sqlServer.catalogue = FakeDatabase::Catalogue({{"Orders", "TABLE"}});
    start();
    select("List1", {0});
    ui.inputs = {"Sales"};
    sqlServer.failOn("execute sp_rename", "Either the parameter @objname is ambiguous or the claimed @objtype is wrong.");
    tables<QPushButton>("PushButton6")->click();
    EXPECT_EQ(items("List1"), QStringList{"Orders"});
    EXPECT_NE(ui.boxes.back().text.find("at line 130"), std::string::npos);
}

TEST_F(WindowsTest, TestConnectionButtonsSayOnlyWhetherTheyConnected) {
    start();
    login<QPushButton>("PushButton3")->click();
    firebird.failOn("open", "I/O error during open");
    login<QPushButton>("PushButton3")->click();
    login<QPushButton>("PushButton6")->click();
    sqlServer.failOn("open", "Login failed for user 'sa'.");
    login<QPushButton>("PushButton6")->click();
    EXPECT_EQ(boxTexts(), (std::vector<std::string>{"Connection successful.", "Could not connect.",
                                                    "Connection successful.",
                                                    "Could not connect. Please check with your administrator."}));
    for (const auto& box : ui.boxes) EXPECT_EQ(box.title, "Tessaline");
    EXPECT_EQ(firebird.calls("CursorLocation"), (std::vector<std::string>{"CursorLocation 2", "CursorLocation 2"}));
}

TEST_F(WindowsTest, BrowseSampleAndHelp) {
    start();
    ui.chosenFiles = {std::nullopt, std::string("/srv/db/shop.fdb")};
    login<QPushButton>("PushButton5")->click();
    EXPECT_EQ(login<QLineEdit>("Text1")->text(), "");
    login<QPushButton>("PushButton5")->click();
    EXPECT_EQ(login<QLineEdit>("Text1")->text(), "/srv/db/shop.fdb");
    EXPECT_EQ(settings.values["Tessaline/FireBirdDatabase"], "/srv/db/shop.fdb");
    EXPECT_EQ(ui.openRequests[0].dialogTitle, "Select Firebird Database");
    EXPECT_EQ(ui.openRequests[0].filter, "FirebirdInterbase Database (*.fdb;*.gdb)|*.fdb;*.gdb|");
    EXPECT_EQ(ui.openRequests[0].flags, 2621441);
    EXPECT_EQ(ui.openRequests[0].startFolder, "") << "no database yet: the toolkit's own folder";
    EXPECT_EQ(ui.openRequests[1].startFolder, "") << "still none when the second dialog opened";
    login<QPushButton>("PushButton5")->click();
    EXPECT_EQ(ui.openRequests[2].startFolder, "/srv/db") << "the current database's folder";

    login<QPushButton>("PushButton7")->click();
    EXPECT_EQ(login<QLineEdit>("Text1")->text().toStdString(), ui.folder + "/Samples/sample.fdb");
    EXPECT_EQ(login<QLineEdit>("Text7")->text(), "SYSDBA");
    EXPECT_EQ(login<QLineEdit>("Text2")->text(), "cobaltrim");

    ui.answers = {kAnswerNo, kAnswerYes};
    login<QPushButton>("PushButton1")->click();
    login<QPushButton>("PushButton1")->click();
    EXPECT_EQ(shell.commands, std::vector<std::string>{"explorer \"" + ui.folder + "/local-connection-example.jpg\""});
    EXPECT_EQ(ui.boxes[0].text.substr(0, 30), "If you cannot establish connec");
}

// A picture that nothing opens is reported at its step, not passed over in silence; a home page
// that nothing opens does not stop the start.
TEST_F(WindowsTest, WhatTheShellCannotOpenIsReported) {
    shell.failure = "No program on this machine opens the picture";
    draw = 0.065;  // the home page too
    start();
    ASSERT_EQ(shell.commands.size(), 1u);
    EXPECT_TRUE(program->loginWindow().isVisible());
    EXPECT_TRUE(ui.boxes.empty());
    ui.answers = {kAnswerYes};
    login<QPushButton>("PushButton1")->click();
    ASSERT_EQ(ui.boxes.size(), 3u);
    EXPECT_EQ(ui.boxes[2].title, "Application Error");
    EXPECT_NE(ui.boxes[2].text.find("No program on this machine opens the picture\r\n"
                                    "in Orvenda5/20/2014.Form1.PushButton1_Click at line 118"),
              std::string::npos)
        << ui.boxes[2].text;
}

TEST_F(WindowsTest, OneStartInAHundredOpensTheHomePage) {
    draw = 0.065;  // n = 7
    start();
    EXPECT_EQ(shell.commands, std::vector<std::string>{"explorer \"https://www.kestrawin.example/\""});
    EXPECT_EQ(shell.styles, std::vector<int>{2});
}

TEST_F(WindowsTest, NoSecondOperationStartsDuringOne) {
    storeWorkingLogins();
    sqlServer.catalogue = FakeDatabase::Catalogue({{"A", "TABLE"}, {"B", "TABLE"}});
    start();
    select("List1", {0, 1});
    ui.onEvents = [&] { tables<QPushButton>("PushButton1")->click(); };
    tables<QPushButton>("PushButton1")->click();
    ui.onEvents = nullptr;
    EXPECT_EQ(sqlServer.calls("execute").size(), 2u);
    EXPECT_TRUE(items("List1").isEmpty());
}

TEST_F(WindowsTest, BusyIsNeverReplacedByHover) {
    start();
    Form1& form = program->loginWindow().form();
    program->loginWindow().window().setMousePointer(kPointerBusy);
    form.ButtonMouseMove();
    form.BackgroundMouseMove();
    EXPECT_EQ(program->loginWindow().window().mousePointer(), kPointerBusy);
    program->loginWindow().window().setMousePointer(kPointerDefault);
    form.ButtonMouseMove();
    EXPECT_EQ(program->loginWindow().window().mousePointer(), kPointerCustom);
}

}  // namespace
}  // namespace tess
