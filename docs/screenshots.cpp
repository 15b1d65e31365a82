// Renders both windows of the real program as a user sees them, on the sample database that the build
// makes, through the real Firebird engine; only the SQL Server side, which these machines lack, is
// scripted. Writes docs/login-window.png ("Local Connection" ticked), docs/login-window-port.png
// (not ticked, with a port), docs/tables-window.png and assets/local-connection-example.jpg.
// Run by scripts/screenshots under Xvfb, with the source folder and the build folder.
#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <QTimer>

#include <QCheckBox>
#include <QLineEdit>

#include "app/program.h"
#include "platform/drivers/drivers_database.h"
#include "fakes/fake_database.h"
#include "fakes/fake_settings.h"
#include "platform/qt/qt_toolkit.h"
#include "split_database.h"

using namespace tess;

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QString source = argc > 1 ? argv[1] : ".";
    const std::string build = argc > 2 ? argv[2] : "build";
    QApplication::setWindowIcon(QIcon(source + "/assets/tessaline.png"));

    FakeDatabase sqlServer;
    sqlServer.catalogue = FakeDatabase::Catalogue(
        {{"Customers", "TABLE"}, {"Invoices", "TABLE"}, {"Products", "TABLE"}, {"sysdiagrams", "TABLE"}});
    DriversDatabase drivers;
    SplitDatabase database(sqlServer, drivers);
    FakeSettings settings;
    const std::map<std::string, std::string> local = {
        {"FireBirdDatabase", build + "/Samples/sample.fdb"}, {"FireBirdUser", "SYSDBA"},
        {"FireBirdPassword", "cobaltrim"}, {"MSSQL Server", "localhost"}, {"MSSQL Port", "1433"},
        {"MSSQL User", "sa"}, {"MSSQL Password", "secret"}, {"MSSQL Database", "Shop"}, {"Local Connection", "1"}};
    for (const auto& [key, value] : local) settings.values["Tessaline/" + key] = value;

    QtToolkit toolkit;
    FakeShell shell;
    Program program(database, toolkit, shell, settings, [] { return 0.5; });
    program.start();  // moves on to the tables window: both checks pass

    QTimer::singleShot(300, [&] {
        auto& tables = program.tablesWindow();
        tables.form().list1().setSelected(1, true);
        tables.grab().save("docs/tables-window.png");
        tables.hide();
        program.loginWindow().show();
        QTimer::singleShot(300, [&] {
            const QPixmap login = program.loginWindow().grab();
            login.save("docs/login-window.png");
            login.save("assets/local-connection-example.jpg", "JPG", 90);
            program.loginWindow().findChild<QCheckBox*>("Check4")->setChecked(false);
            program.loginWindow().findChild<QLineEdit*>("Text5")->setText("db.example.lan");
            QTimer::singleShot(300, [&] {
                program.loginWindow().grab().save("docs/login-window-port.png");
                app.quit();
            });
        });
    });
    return app.exec();
}
