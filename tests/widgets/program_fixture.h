#pragma once
// The whole program on fakes for the databases, the settings store, the shell and the modal
// boxes: the ground of the widget tests, which then reach the windows' real widgets by name.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>

#include <memory>
#include <string>

#include "app/program.h"
#include "fakes/fake_database.h"
#include "fakes/fake_settings.h"
#include "fakes/fake_toolkit.h"
#include "split_database.h"

namespace tess {

class ProgramFixture : public testing::Test {
protected:
    void store(const std::string& key, const std::string& value) { settings.values["Tessaline/" + key] = value; }
    // Logins that open both (fake) databases, so that the program goes on to the tables window.
    void storeWorkingLogins() {
        store("FireBirdDatabase", "/data/shop.fdb");
        store("MSSQL Server", "SRV");
    }
    Program& start() {
        program = std::make_unique<Program>(db, ui, shell, settings, [this] { return draw; });
        program->start();
        return *program;
    }
    template <class W>
    W* login(const char* name) {
        return program->loginWindow().findChild<W*>(name);
    }
    template <class W>
    W* tables(const char* name) {
        return program->tablesWindow().findChild<W*>(name);
    }

    FakeDatabase sqlServer, firebird;
    SplitDatabase db{sqlServer, firebird};
    FakeToolkit ui;
    FakeShell shell;
    FakeSettings settings;
    double draw = 0.5;  // what the random source gives the program
    std::unique_ptr<Program> program;
};

// The tables window with two tables a side, clicked through its real buttons.
class TablesWindowFixture : public ProgramFixture {
protected:
    void SetUp() override { ui.folder = TESSALINE_PROGRAM_FOLDER; }
    void storeWorkingLogins() {
        ProgramFixture::storeWorkingLogins();
        sqlServer.catalogue = FakeDatabase::Catalogue({{"Orders", "TABLE"}, {"Lines", "TABLE"}});
        firebird.catalogue = FakeDatabase::Catalogue({{"CUSTOMERS", "TABLE"}, {"SALES", "TABLE"}});
    }
    void click(const char* button) { QTest::mouseClick(tables<QPushButton>(button), Qt::LeftButton); }
};

}  // namespace tess
