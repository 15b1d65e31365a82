#include "tables/send_to_sqlserver.h"

#include <gtest/gtest.h>

#include "common/operation_guard.h"
#include "fakes/fake_database.h"
#include "fakes/fake_toolkit.h"
#include "fakes/fixed_logins.h"

namespace tess {
namespace {

FakeResult Orders() {
    FakeResult r;
    r.fields = {{"ID", 3, 4, 10, 0}, {"NAME", 202, 20, 255, 0}, {"PRICE", 131, 8, 18, 4}, {"PHOTO", 205}};
    r.rows = {{std::int64_t{7}, std::string("O'Brien"), Decimal{"12.5000"}, Bytes{0x00, 0xFF}},
              {Null{}, std::string("Zoë"), Decimal{"-0.0100"}, Null{}},
              {std::int64_t{9}, std::string(""), Null{}, Null{}}};
    return r;
}

class SendToSqlServerTest : public testing::Test {
protected:
    void select(const std::string& name) {
        for (int i = 0; i < list2.listCount(); ++i)
            if (list2.item(i) == name) list2.setSelected(i, true), list2.setListIndex(i);
    }
    void click() { handler.PushButton4_Click(); }
    std::vector<std::string> executed() const { return db.calls("execute"); }

    FakeDatabase db;
    FakeToolkit ui;
    FixedLogins logins;
    FakeTableList list1;
    FakeTableList list2{{"CUSTOMERS", "ORDERS"}};
    FakeProgressBar progress;
    FakeWindow window;
    OperationGuard guard;
    SendToSqlServer handler{db, ui, logins, {list1, list2, progress, window, {}}, guard};
};

TEST_F(SendToSqlServerTest, WithoutACurrentEntryOnlyAsks) {
    click();
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "Please select a table to send.");
    EXPECT_TRUE(db.calls("open").empty());
}

TEST_F(SendToSqlServerTest, StatementsCarryEveryValue) {
    db.results["SELECT * FROM \"ORDERS\""] = Orders();
    select("ORDERS");
    click();
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(executed(), (std::vector<std::string>{
                              "execute CREATE TABLE [ORDERS]([ID] INT,[NAME] NVARCHAR(MAX),[PRICE] DECIMAL(19,4),"
                              "[PHOTO] VARBINARY(MAX));",
                              "execute INSERT INTO [ORDERS] VALUES('7', 'O''Brien', '12.5', 0x00FF)",
                              "execute INSERT INTO [ORDERS] VALUES(NULL, N'Zoë', '-0.01', NULL)",
                              "execute INSERT INTO [ORDERS] VALUES('9', NULL, NULL, NULL)",
                          }));
    EXPECT_TRUE(db.calls("begin").empty()) << "SQL Server keeps autocommit";
    EXPECT_EQ(list1.items(), (std::vector<std::string>{"ORDERS"}));
    EXPECT_EQ(db.calls("CursorLocation"), (std::vector<std::string>{"CursorLocation 3", "CursorLocation 2"}));
}

TEST_F(SendToSqlServerTest, YesReplacesTheTableTheListShowed) {
    db.results["SELECT * FROM \"ORDERS\""] = Orders();
    list1.addItem("Orders");
    select("ORDERS");
    click();
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "Would you like to overwrite Orders?") << "the table that Yes drops";
    EXPECT_EQ(executed().front(), "execute DROP TABLE [Orders]");
    EXPECT_EQ(list1.items(), (std::vector<std::string>{"ORDERS"}));
}

// Two Firebird tables whose names differ only in case are one name to SQL Server: the second is
// not copied over the copy of the first, and nothing is asked about it.
TEST_F(SendToSqlServerTest, TablesDifferingOnlyInCaseNeverReplaceEachOther) {
    db.results["SELECT * FROM \"t\""] = Orders();
    db.results["SELECT * FROM \"T\""] = Orders();
    list2.addItem("T");
    list2.addItem("t");  // the last entry goes first
    select("T");
    select("t");
    ui.answers = {kAnswerYes, kAnswerYes};
    click();
    ASSERT_EQ(ui.boxes.size(), 1u) << ui.boxes.back().text;
    EXPECT_NE(ui.boxes[0].text.find("T and t differ only in case, which the target takes for one name: t, copied "
                                    "just before, was not replaced, and T was not copied."),
              std::string::npos)
        << ui.boxes[0].text;
    EXPECT_TRUE(db.calls("execute DROP").empty());
    EXPECT_EQ(db.calls("execute CREATE").size(), 1u);
    EXPECT_EQ(list1.items(), (std::vector<std::string>{"t"}));
}

TEST_F(SendToSqlServerTest, ARejectedRowIsReportedAtItsStep) {
    db.results["SELECT * FROM \"ORDERS\""] = Orders();
    db.failOn("execute INSERT INTO [ORDERS] VALUES(NULL", "Conversion failed", 1);
    select("ORDERS");
    click();
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text.substr(0, ui.boxes[0].text.find("\r\r")),
              "Table ORDERS, row 2:\nConversion failed\r\nin Orvenda5/20/2014.Form2.PushButton4_Click at line 250");
    EXPECT_EQ(executed().size(), 4u);
}

TEST_F(SendToSqlServerTest, ARejectedCreateLeavesTheListAsItWas) {
    db.results["SELECT * FROM \"ORDERS\""] = Orders();
    db.failOn("execute CREATE", "There is already an object named 'ORDERS' in the database.");
    select("ORDERS");
    click();
    EXPECT_NE(ui.boxes.at(0).text.find("at line 210"), std::string::npos);
    EXPECT_TRUE(list1.items().empty());
}

TEST_F(SendToSqlServerTest, NamesWithBracketsAreEscaped) {
    list2.addItem("a]b");
    FakeResult r;
    r.fields = {{"x]y", 3}};
    r.rows = {{std::int64_t{1}}};
    db.results["SELECT * FROM \"a]b\""] = r;
    select("a]b");
    click();
    EXPECT_EQ(executed(), (std::vector<std::string>{"execute CREATE TABLE [a]]b]([x]]y] INT);",
                                                    "execute INSERT INTO [a]]b] VALUES('1')"}));
}

}  // namespace
}  // namespace tess
