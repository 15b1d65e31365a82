#include "routines/helpers.h"

#include <gtest/gtest.h>

#include <fstream>

#include "common/text_case.h"
#include "fakes/fake_database.h"
#include "fakes/fake_toolkit.h"

namespace tess {
namespace {

TEST(ListContains, IgnoresCaseAndNothingElse) {
    struct Case {
        std::vector<std::string> entries;
        std::string text;
        bool found;
    } cases[] = {
        {{}, "Orders", false},
        {{"orders"}, "Orders", true},
        {{"orders"}, " Orders", false},
        {{"Customers", "ORDERS"}, "orders", true},
        {{"ÉTÉ"}, "été", true},
        {{"Straße"}, "STRASSE", false},
    };
    for (const auto& c : cases) EXPECT_EQ(ListContains(FakeTableList(c.entries), c.text), c.found) << c.text;
}

TEST(ListRemoveItem, RemovesEveryExactMatch) {
    struct Case {
        std::vector<std::string> entries;
        std::string text;
        std::vector<std::string> left;
    } cases[] = {
        {{"a", "b", "b", "c"}, "b", {"a", "c"}},
        {{"Orders"}, "orders", {"Orders"}},
        {{"a"}, "z", {"a"}},
        {{}, "a", {}},
        {{"x", "x", "x"}, "x", {}},
    };
    for (const auto& c : cases) {
        FakeTableList list(c.entries);
        ListRemoveItem(list, c.text);
        EXPECT_EQ(list.items(), c.left) << c.text;
    }
}

TEST(NullToDefault, OnlyNullTakesTheDefault) {
    EXPECT_EQ(NullToDefault(Null{}, std::string()), Value(std::string()));
    EXPECT_EQ(NullToDefault(std::string(), std::string("d")), Value(std::string()));
    EXPECT_EQ(NullToDefault(std::int64_t{0}, std::string()), Value(std::int64_t{0}));
    EXPECT_EQ(NullToDefault(false, std::string()), Value(false));
}

TEST(FileExists, NeverThrows) {
    const std::string path = testing::TempDir() + "/tessaline_exists.txt";
    std::ofstream(path) << "x";
    EXPECT_TRUE(FileExists(path));
    EXPECT_FALSE(FileExists(""));
    EXPECT_FALSE(FileExists(path + ".missing"));
    EXPECT_FALSE(FileExists(std::string("bad\0path", 8)));
}

TEST(ExecuteSql, PassesTheStatementAndTheFailure) {
    FakeDatabase db;
    auto connection = db.createConnection();
    connection->open("x");
    EXPECT_FALSE(ExecuteSql(*connection, "DROP TABLE [a]"));
    db.failOn("execute", "Cannot drop the table 'a'");
    EXPECT_THROW(ExecuteSql(*connection, "DROP TABLE [a]"), DatabaseError);
    EXPECT_EQ(db.calls("execute").size(), 2u);
}

TEST(CenterForm, CentresWithoutClamping) {
    FakeToolkit ui;
    ui.screenWidthTwips = 20000, ui.screenHeightTwips = 12000;
    struct Case {
        double w, h, left, top;
    } cases[] = {{10000, 6000, 5000, 3000}, {20000, 12000, 0, 0}, {30000, 13000, -5000, -500}, {7, 3, 9996.5, 5998.5}};
    for (const auto& c : cases) {
        FakeWindow window;
        window.w = c.w, window.h = c.h;
        CenterForm(window, ui);
        EXPECT_DOUBLE_EQ(window.x, c.left);
        EXPECT_DOUBLE_EQ(window.y, c.top);
    }
}

TEST(ListOrder, SortsWithoutRegardToCase) {
    FakeTableList list({"beta", "Alpha", "gamma", "ALPHA2", "Beta"});
    EXPECT_EQ(list.items(), (std::vector<std::string>{"Alpha", "ALPHA2", "Beta", "beta", "gamma"}));
    EXPECT_EQ(LowerCase("ÀÉÎÕÜ ŁŃ ΣΩ ДЖ"), "àéîõü łń σω дж");
}

}  // namespace
}  // namespace tess
