// What a new user does first: load the sample database and test the Firebird connection, through
// the real Firebird engine and the sample database that the build made.
#include <gtest/gtest.h>

#include <QPushButton>

#include "app/program.h"
#include "fakes/fake_settings.h"
#include "fakes/fake_toolkit.h"
#include "catalogue/table_listing.h"
#include "platform/drivers/drivers_database.h"

namespace tess {
namespace {

TEST(SampleDatabase, LoadsAndConnects) {
    DriversDatabase database;
    FakeToolkit ui;
    ui.folder = TESSALINE_PROGRAM_FOLDER;
    FakeShell shell;
    FakeSettings settings;
    Program program(database, ui, shell, settings, [] { return 0.5; });
    program.start();
    program.loginWindow().findChild<QPushButton*>("PushButton7")->click();
    program.loginWindow().findChild<QPushButton*>("PushButton3")->click();
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "Connection successful.");

    EXPECT_EQ(FirebirdTables(database, program.loginWindow().form().firebirdLogin()),
              (std::vector<std::string>{"BIG_ORDERS", "CUSTOMERS", "ORDER_LINES", "ORDERS", "PRODUCTS"}));
}

}  // namespace
}  // namespace tess
