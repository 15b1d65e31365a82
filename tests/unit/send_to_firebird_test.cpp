#include "tables/send_to_firebird.h"

#include <gtest/gtest.h>

#include "common/operation_guard.h"
#include "connect/connection_strings.h"
#include "fakes/fake_database.h"
#include "fakes/fake_toolkit.h"
#include "fakes/fixed_logins.h"
#include "report/refusal_cap.h"

namespace tess {
namespace {

FakeResult Rows(int count) {
    FakeResult r;
    r.fields = {{"ID", 3, 4, 10, 0}, {"NAME", 200, 20, 255, 0}};
    for (int i = 1; i <= count; ++i) r.rows.push_back({std::int64_t{i}, "n" + std::to_string(i)});
    return r;
}

class SendToFirebirdTest : public testing::Test {
protected:
    void select(const std::string& name) {
        for (int i = 0; i < list1.listCount(); ++i)
            if (list1.item(i) == name) list1.setSelected(i, true), list1.setListIndex(i);
    }
    void click() { handler.PushButton3_Click(); }
    std::vector<std::string> executed() const { return db.calls("execute"); }

    FakeDatabase db;
    FakeToolkit ui;
    FixedLogins logins;
    FakeTableList list1{{"A", "B", "C"}};
    FakeTableList list2;
    FakeProgressBar progress;
    FakeWindow window;
    OperationGuard guard;
    SendToFirebird handler{db, ui, logins, {list1, list2, progress, window, {}}, guard};
};

TEST_F(SendToFirebirdTest, WithoutACurrentEntryOnlyAsks) {
    click();
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "Please select a table");
    EXPECT_EQ(ui.boxes[0].title, "Tessaline");
    EXPECT_TRUE(db.calls("open").empty());
    EXPECT_TRUE(window.pointerHistory.empty());
}

// The target's version decides its limits: Firebird 4 takes 38 digits and names of 63 characters.
TEST_F(SendToFirebirdTest, TheTargetsVersionDecidesItsLimits) {
    const std::string name(40, 'A');
    list1.addItem(name);
    FakeResult rows;
    rows.fields = {{"N", 131, 17, 38, 10}};
    db.results["SELECT * FROM [" + name + "]"] = rows;
    for (const char* version : {"4.0.2", "3.0.11"}) {
        FakeResult target;
        target.fields = {{"", 200, 31, 255, 0}, {"", 200, 255, 255, 0}, {"", 2, 2, 5, 0}, {"", 200, 10, 255, 0}};
        target.rows = {{std::string("UTF8"), std::string(version), std::int64_t{3}, std::string("TCPv4")}};
        db.results["SELECT TRIM(RDB$CHARACTER_SET_NAME), RDB$GET_CONTEXT('SYSTEM', 'ENGINE_VERSION'), "
                   "(SELECT MON$SQL_DIALECT FROM MON$DATABASE), (SELECT MON$REMOTE_PROTOCOL FROM MON$ATTACHMENTS "
                   "WHERE MON$ATTACHMENT_ID = CURRENT_CONNECTION) FROM RDB$DATABASE"] = target;
        db.log.clear();
        list2.clear();
        ui.boxes.clear();
        select(name);
        click();
        if (std::string(version) == "4.0.2") {
            EXPECT_EQ(executed(), std::vector<std::string>{"execute CREATE TABLE \"" + name + "\"(\"N\" NUMERIC(38,10))"});
            EXPECT_TRUE(ui.boxes.empty());
        } else {
            EXPECT_TRUE(executed().empty());  // 40 bytes: more than Firebird 3 takes
            ASSERT_EQ(ui.boxes.size(), 1u);
        }
    }
}

TEST_F(SendToFirebirdTest, SendsSelectedTablesBottomUpAndListsThem) {
    db.results["SELECT * FROM [A]"] = Rows(1);
    db.results["SELECT * FROM [C]"] = Rows(2);
    select("A");
    select("C");
    click();
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(executed(), (std::vector<std::string>{
                              "execute CREATE TABLE \"C\"(\"ID\" INTEGER,\"NAME\" VARCHAR(20))",
                              "execute INSERT INTO \"C\" VALUES(1, 'n1')",
                              "execute INSERT INTO \"C\" VALUES(2, 'n2')",
                              "execute CREATE TABLE \"A\"(\"ID\" INTEGER,\"NAME\" VARCHAR(20))",
                              "execute INSERT INTO \"A\" VALUES(1, 'n1')",
                          }));
    EXPECT_EQ(list2.items(), (std::vector<std::string>{"A", "C"}));
    EXPECT_EQ(progress.values, (std::vector<double>{50, 100, 0, 100, 0}));
    EXPECT_EQ(window.pointerHistory, (std::vector<int>{11, 0}));
    EXPECT_EQ(db.calls("open").front(), "open " + FirebirdConnectionString(logins.firebird));
    EXPECT_EQ(db.calls("open").back(), "open " + SqlServerConnectionString(logins.sqlServer));
    EXPECT_EQ(db.calls("begin").size(), 2u);
    EXPECT_EQ(db.calls("commit").size(), 2u);
}

TEST_F(SendToFirebirdTest, OverwriteQuestion) {
    db.results["SELECT * FROM [A]"] = Rows(1);
    db.results["SELECT * FROM [C]"] = Rows(1);
    list2.addItem("a");
    list2.addItem("C");
    select("A");
    select("C");
    ui.answers = {kAnswerNo, kAnswerYes};  // C is asked first
    click();
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.boxes[0].text, "Would you like to overwrite C?");
    EXPECT_EQ(ui.boxes[0].title, "Overwrite?");
    EXPECT_EQ(ui.boxes[0].style, kYesNo);
    EXPECT_EQ(ui.boxes[1].text, "Would you like to overwrite a?") << "the table that Yes drops";
    // No left C alone; Yes dropped the table the list showed and lists it as created.
    EXPECT_EQ(executed().front(), "execute DROP TABLE \"a\"");
    EXPECT_TRUE(db.calls("query SELECT * FROM [C]").empty());
    EXPECT_EQ(list2.items(), (std::vector<std::string>{"A", "C"}));
}

TEST_F(SendToFirebirdTest, AnUnreadableSourceKeepsTheTargetTable) {
    list2.addItem("A");
    select("A");
    db.failOn("query", "Invalid object name 'A'.");
    click();
    ASSERT_EQ(ui.boxes.size(), 2u);  // the question, then one report
    EXPECT_NE(ui.boxes[1].text.find("Invalid object name 'A'.\r\nin Orvenda5/20/2014.Form2.PushButton3_Click at line 152"),
              std::string::npos);
    EXPECT_TRUE(executed().empty());
    EXPECT_EQ(list2.items(), (std::vector<std::string>{"A"}));
}

// Which Firebird table "Yes" replaces when the list spells the name in other cases.
TEST_F(SendToFirebirdTest, OverwriteFindsTheSpellingTheUserMeant) {
    struct Case {
        std::vector<std::string> listed;
        std::vector<std::string> statements;  // DROP and CREATE
        std::vector<std::string> listAfter;
        bool reported;
    } cases[] = {
        {{"ORDERS", "Orders", "orders"},
         {"execute DROP TABLE \"Orders\"", "execute CREATE TABLE \"Orders\"(\"ID\" INTEGER,\"NAME\" VARCHAR(20))"},
         {"ORDERS", "Orders", "orders"}, false},
        {{"ORDERS"},
         {"execute DROP TABLE \"ORDERS\"", "execute CREATE TABLE \"Orders\"(\"ID\" INTEGER,\"NAME\" VARCHAR(20))"},
         {"Orders"}, false},
        {{"ORDERS", "orders"}, {}, {"ORDERS", "orders"}, true},
    };
    for (const auto& c : cases) {
        FakeDatabase fresh;
        FakeToolkit boxes;
        FakeTableList sqlServer{{"Orders"}}, firebird{c.listed};
        sqlServer.setSelected(0, true);
        sqlServer.setListIndex(0);
        fresh.results["SELECT * FROM [Orders]"] = Rows(0);
        SendToFirebird(fresh, boxes, logins, {sqlServer, firebird, progress, window, {}}, guard).PushButton3_Click();
        std::vector<std::string> statements = fresh.calls("execute");
        EXPECT_EQ(statements, c.statements) << c.listed.size();
        EXPECT_EQ(firebird.items(), c.listAfter) << c.listed.size();
        ASSERT_EQ(boxes.boxes.size(), c.reported ? 2u : 1u);  // the question, and the report
        if (c.reported) {
            EXPECT_NE(boxes.boxes[1].text.find("More than one table matches Orders without regard to case (ORDERS, "
                                               "orders); none was replaced"),
                      std::string::npos)
                << boxes.boxes[1].text;
        }
    }
}

// A DROP that fails leaves its entry; the table made anyway is not listed twice.
TEST_F(SendToFirebirdTest, ARefusedDropLeavesNoDoubleEntry) {
    list2.addItem("B");
    db.results["SELECT * FROM [B]"] = Rows(1);
    select("B");
    db.failOn("execute DROP", "object in use");
    click();
    EXPECT_EQ(list2.items(), (std::vector<std::string>{"B"}));
}

TEST_F(SendToFirebirdTest, AFailingRowIsReportedAloneAndTheOthersKept) {
    db.results["SELECT * FROM [B]"] = Rows(3);
    select("B");
    db.failOn("execute INSERT INTO \"B\" VALUES(2,", "conversion error from string", 1);
    click();
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].title, "Application Error");
    EXPECT_NE(ui.boxes[0].text.find("at line 318"), std::string::npos);
    EXPECT_EQ(executed().size(), 4u);
    EXPECT_EQ(executed().back(), "execute INSERT INTO \"B\" VALUES(3, 'n3')");
    EXPECT_EQ(list2.items(), (std::vector<std::string>{"B"}));
}

TEST_F(SendToFirebirdTest, AnUnreadableRowIsReportedOnceAndNotWrittenInPart) {
    db.results["SELECT * FROM [B]"] = Rows(3);
    db.results["SELECT * FROM [B]"].unreadableRows = {1};
    select("B");
    click();
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_NE(ui.boxes[0].text.find("at line 254"), std::string::npos);
    EXPECT_EQ(executed().size(), 3u);  // CREATE, rows 1 and 3
    EXPECT_EQ(executed().back(), "execute INSERT INTO \"B\" VALUES(3, 'n3')");
}

TEST_F(SendToFirebirdTest, RowsAreReadToTheEndWhateverTheCount) {
    for (long long stated : {-1LL, 0LL, 2LL}) {
        db.results["SELECT * FROM [B]"] = Rows(4);
        db.results["SELECT * FROM [B]"].recordCount = stated;
        list2.clear();
        select("B");
        db.log.clear();
        click();
        EXPECT_EQ(executed().size(), 5u) << stated;  // CREATE and four rows
    }
}

TEST_F(SendToFirebirdTest, ProgressShowsTheShareOfRowsBegun) {
    db.results["SELECT * FROM [B]"] = Rows(4);
    select("B");
    click();
    EXPECT_EQ(progress.values, (std::vector<double>{25, 50, 75, 100, 0}));
}

TEST_F(SendToFirebirdTest, CommitsEveryTenThousandRows) {
    db.results["SELECT * FROM [B]"] = Rows(25000);
    select("B");
    click();
    EXPECT_EQ(db.calls("begin").size(), 3u);
    EXPECT_EQ(db.calls("commit").size(), 3u);
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(SendToFirebirdTest, AFailedFirebirdConnectionCostsOneReportPerTable) {
    db.results["SELECT * FROM [A]"] = Rows(3);
    db.results["SELECT * FROM [B]"] = Rows(3);
    db.failOn("open Provider", "I/O error during open");
    select("A");
    select("B");
    click();
    std::vector<std::string> lines;
    for (const auto& box : ui.boxes) lines.push_back(box.text.substr(box.text.find("at line")));
    EXPECT_EQ(lines, (std::vector<std::string>{"at line 116\r\rPlease email screenshot of this message to support@kestrawin.example",
                                               "at line 228\r\rPlease email screenshot of this message to support@kestrawin.example",
                                               "at line 228\r\rPlease email screenshot of this message to support@kestrawin.example"}));
    EXPECT_TRUE(list2.items().empty());
    EXPECT_EQ(window.pointerHistory, (std::vector<int>{11, 0}));
}

TEST_F(SendToFirebirdTest, AClickDuringTheTransferStartsNothing) {
    db.results["SELECT * FROM [B]"] = Rows(3);
    select("B");
    ui.onEvents = [&] { click(); };
    click();
    EXPECT_EQ(db.connectionsCreated, 2);
    EXPECT_EQ(list2.items(), (std::vector<std::string>{"B"}));
}

TEST_F(SendToFirebirdTest, NamesWithQuotesAreEscaped) {
    list1.addItem("a\"b");
    list1.addItem("a]b");
    db.results["SELECT * FROM [a\"b]"] = Rows(1);
    db.results["SELECT * FROM [a]]b]"] = Rows(1);
    select("a\"b");
    select("a]b");
    click();
    EXPECT_EQ(executed(), (std::vector<std::string>{
                              "execute CREATE TABLE \"a]b\"(\"ID\" INTEGER,\"NAME\" VARCHAR(20))",
                              "execute INSERT INTO \"a]b\" VALUES(1, 'n1')",
                              "execute CREATE TABLE \"a\"\"b\"(\"ID\" INTEGER,\"NAME\" VARCHAR(20))",
                              "execute INSERT INTO \"a\"\"b\" VALUES(1, 'n1')",
                          }));
    EXPECT_EQ(list2.items(), (std::vector<std::string>{"a\"b", "a]b"}));
}

}  // namespace
}  // namespace tess

namespace tess {
namespace {

// A cause the target refuses row after row costs the window the cap's boxes and no more; the copy
// goes on to the good rows, and the table's last box says how many rows did not go. Each box
// names its table and row.
TEST_F(SendToFirebirdTest, RefusedRowsCostTheCapsBoxesAndTheGoodRowsStillGo) {
    const long long refused = kWindowRefusalsShown + 50;
    db.results["SELECT * FROM [A]"] = Rows(static_cast<int>(refused) + 20);
    DatabaseError::Details truncation;
    truncation.rowValues = true;
    truncation.codes.gdsCodes = {335544321, 335544914};
    for (long long i = 1; i <= refused; ++i)
        db.failOn("execute INSERT INTO \"A\" VALUES(" + std::to_string(i) + ",", "string right truncation", truncation, 1);
    select("A");
    click();
    ASSERT_EQ(ui.boxes.size(), static_cast<size_t>(kWindowRefusalsShown) + 1) << "the cap's boxes, and the last";
    EXPECT_EQ(ui.boxes[0].text.rfind("Table A, row 1:\nstring right truncation", 0), 0u) << ui.boxes[0].text;
    EXPECT_EQ(ui.boxes.back().text, "The target refused 150 rows of A, which were not sent; after 100 boxes for one "
                                    "reason the rest were counted without a box.");
    EXPECT_EQ(db.calls("execute INSERT INTO \"A\"").size(), static_cast<size_t>(refused) + 20) << "every row tried";
    EXPECT_EQ(list2.items(), std::vector<std::string>{"A"});
}

}  // namespace
}  // namespace tess
