// Tables of every schema through the tables window: listing, sending, deleting and renaming name
// the right table, with both parts of every name escaped.
#include <gtest/gtest.h>

#include "common/operation_guard.h"
#include "fakes/fake_database.h"
#include "fakes/fake_toolkit.h"
#include "fakes/fixed_logins.h"
#include "tables/tables_window.h"

namespace tess {
namespace {

class SqlServerSchemas : public testing::Test {
protected:
    void SetUp() override {
        FakeResult catalogue;
        catalogue.fields = {{"TABLE_CATALOG", 202}, {"TABLE_SCHEMA", 202}, {"TABLE_NAME", 202}, {"TABLE_TYPE", 202}};
        for (const auto& [schema, name] : std::vector<std::pair<std::string, std::string>>{
                 {"dbo", "Orders"}, {"Sales", "Orders"}, {"a.b", "c]d'e"}, {"Sales", "Lines"}})
            catalogue.rows.push_back({Null{}, schema, name, std::string("TABLE")});
        db.catalogue = catalogue;
        db.results["SELECT SCHEMA_NAME()"] = {{{"", 202}}, {{std::string("dbo")}}, -2, {}};
        FakeResult rows;
        rows.fields = {{"ID", 3, 4, 10, 0}};
        rows.rows = {{std::int64_t{1}}};
        db.results["SELECT * FROM [Sales].[Orders]"] = rows;
        db.results["SELECT * FROM [a.b].[c]]d'e]"] = rows;
        form.ListSqlServerTables(logins.sqlServer);
    }
    void select(const std::string& entry) {
        for (int i = 0; i < list1.listCount(); ++i) list1.setSelected(i, list1.item(i) == entry);
        for (int i = 0; i < list1.listCount(); ++i)
            if (list1.item(i) == entry) list1.setListIndex(i);
    }
    std::vector<std::string> executed(const std::string& prefix) const { return db.calls("execute " + prefix); }

    FakeDatabase db;
    FakeToolkit ui;
    FixedLogins logins;
    FakeTableList list1, list2;
    FakeProgressBar progress;
    FakeWindow window, loginWindow;
    OperationGuard guard;
    Form2 form{db, ui, logins, {list1, list2, progress, window, {}}, loginWindow, guard};
};

TEST_F(SqlServerSchemas, TablesOfOtherSchemasAreListedWithTheirSchema) {
    EXPECT_EQ(list1.items(), (std::vector<std::string>{"a.b.c]d'e", "Orders", "Sales.Lines", "Sales.Orders"}));
}

TEST_F(SqlServerSchemas, SendingReadsTheRightTableAndCreatesItsOwnName) {
    select("Sales.Orders");
    form.PushButton3_Click();
    select("a.b.c]d'e");
    form.PushButton3_Click();
    for (const auto& box : ui.boxes) ADD_FAILURE() << box.text;
    EXPECT_EQ(db.calls("query SELECT * FROM"),
              (std::vector<std::string>{"query SELECT * FROM [Sales].[Orders]", "query SELECT * FROM [a.b].[c]]d'e]"}));
    EXPECT_EQ(executed("CREATE"), (std::vector<std::string>{"execute CREATE TABLE \"Orders\"(\"ID\" INTEGER)",
                                                           "execute CREATE TABLE \"c]d'e\"(\"ID\" INTEGER)"}));
    EXPECT_EQ(list2.items(), (std::vector<std::string>{"c]d'e", "Orders"}));
}

TEST_F(SqlServerSchemas, DeletingAndRenamingActOnTheListedSchema) {
    select("Sales.Orders");
    form.PushButton1_Click();
    EXPECT_EQ(executed("DROP"), (std::vector<std::string>{"execute DROP TABLE [Sales].[Orders];"}));
    EXPECT_EQ(list1.items(), (std::vector<std::string>{"a.b.c]d'e", "Orders", "Sales.Lines"}));

    select("a.b.c]d'e");
    ui.inputs.push_back("it's new");
    form.PushButton6_Click();
    EXPECT_EQ(ui.prompts.back(), "Enter new name of a.b.c]d'e:");
    EXPECT_EQ(ui.inputDefaults.back(), "c]d'e") << "the table's own name, whose schema it keeps";
    EXPECT_EQ(executed("sp_rename"), (std::vector<std::string>{"execute sp_rename N'[a.b].[c]]d''e]', N'it''s new'"}));
    EXPECT_EQ(list1.items(), (std::vector<std::string>{"a.b.it's new", "Orders", "Sales.Lines"}));

    // The renamed entry still names its schema's table.
    select("a.b.it's new");
    form.PushButton1_Click();
    EXPECT_EQ(executed("DROP").back(), "execute DROP TABLE [a.b].[it's new];");

    // A default-schema table looks and behaves as it always did.
    select("Orders");
    form.PushButton1_Click();
    EXPECT_EQ(executed("DROP").back(), "execute DROP TABLE [Orders];");
}

// Sending back to SQL Server creates a default-schema table beside the other schema's one.
TEST_F(SqlServerSchemas, AFirebirdTableOfTheSameNameIsNotTheOtherSchemasTable) {
    FakeResult rows;
    rows.fields = {{"ID", 3, 4, 10, 0}};
    db.results["SELECT * FROM \"Lines\""] = rows;
    list2.addItem("Lines");
    list2.setSelected(0, true);
    list2.setListIndex(0);
    form.PushButton4_Click();
    EXPECT_TRUE(ui.boxes.empty()) << "no overwrite question: Sales.Lines is another table";
    EXPECT_TRUE(executed("DROP").empty());
    EXPECT_EQ(list1.items(), (std::vector<std::string>{"a.b.c]d'e", "Lines", "Orders", "Sales.Lines", "Sales.Orders"}));
}

}  // namespace
}  // namespace tess
