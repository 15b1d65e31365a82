// The windows' own copy of one table, timed as a whole process against the companion's: the
// program as a person runs it (the real Qt toolkit, its events and progress bar, offscreen), logged
// in from stored settings, the table clicked in the SQL Server list and "Send Table/s To Firebird"
// clicked. Boxes are answered at once (Yes, OK) and printed to standard error.
//   window_copy FDB DB TABLE      with QT_QPA_PLATFORM=offscreen and the stand-in's odbcinst.ini
#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <cstdio>
#include <iostream>

#include "app/program.h"
#include "fakes/fake_settings.h"
#include "fakes/fake_toolkit.h"
#include "platform/drivers/drivers_database.h"
#include "platform/odbc/odbc_locale.h"
#include "platform/qt/qt_toolkit.h"

namespace {

// The real toolkit, but no box waits for a person.
class AnsweringToolkit : public tess::QtToolkit {
public:
    int messageBox(const std::string& text, int style, const std::optional<std::string>&) override {
        std::cerr << "box: " << text << "\n";
        ++boxes;
        return (style & 0x0F) == tess::kYesNo ? tess::kAnswerYes : tess::kAnswerOk;
    }
    int boxes = 0;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: window_copy FDB DB TABLE\n");
        return 2;
    }
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    tess::UseUtf8CharacterSet();
    tess::DriversDatabase database;
    AnsweringToolkit toolkit;
    tess::FakeShell shell;
    tess::FakeSettings settings;
    settings.values["Tessaline/FireBirdDatabase"] = argv[1];
    settings.values["Tessaline/FireBirdUser"] = "SYSDBA";
    settings.values["Tessaline/MSSQL Server"] = "x";
    settings.values["Tessaline/MSSQL Database"] = argv[2];
    tess::Program program(database, toolkit, shell, settings, [] { return 0.5; });
    program.start();
    if (!program.tablesWindowExists()) {
        std::fprintf(stderr, "the logins did not lead to the tables window\n");
        return 1;
    }
    auto* list = program.tablesWindow().findChild<QListWidget*>("List1");
    const auto found = list->findItems(argv[3], Qt::MatchExactly);
    if (found.isEmpty()) {
        std::fprintf(stderr, "no table %s in the SQL Server list\n", argv[3]);
        return 1;
    }
    list->scrollToItem(found.front());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(found.front()).center());
    QTest::mouseClick(program.tablesWindow().findChild<QPushButton*>("PushButton3"), Qt::LeftButton);
    return 0;
}
