// Renders both windows as a user sees them, filled for a local SQL Server and the sample database:
// docs/login-window.png, docs/tables-window.png and assets/local-connection-example.jpg.
// Run by scripts/screenshots under Xvfb.
#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <QTimer>

#include "app/program.h"
#include "fakes/fake_database.h"
#include "fakes/fake_settings.h"
#include "platform/qt/qt_toolkit.h"
#include "split_database.h"

using namespace tess;

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QString source = argc > 1 ? argv[1] : ".";
    QApplication::setWindowIcon(QIcon(source + "/assets/tessaline.png"));

    FakeDatabase sqlServer, firebird;
    sqlServer.catalogue = FakeDatabase::Catalogue(
        {{"Customers", "TABLE"}, {"Invoices", "TABLE"}, {"Products", "TABLE"}, {"sysdiagrams", "TABLE"}});
    firebird.catalogue = FakeDatabase::Catalogue({{"CUSTOMERS", "TABLE"}, {"ORDERS", "TABLE"},
                                                  {"ORDER_LINES", "TABLE"}, {"PRODUCTS", "TABLE"},
                                                  {"BIG_ORDERS", "VIEW"}, {"RDB$RELATIONS", "SYSTEM TABLE"}});
    SplitDatabase database(sqlServer, firebird);
    FakeSettings settings;
    const std::map<std::string, std::string> local = {
        {"FireBirdDatabase", "/opt/tessaline/Samples/sample.fdb"}, {"FireBirdUser", "SYSDBA"},
        {"FireBirdPassword", "cobaltrim"}, {"MSSQL Server", "localhost"}, {"MSSQL Port", "1433"},
        {"MSSQL User", "sa"}, {"MSSQL Password", "secret"}, {"MSSQL Database", "Shop"}, {"Local Connection", "1"}};
    for (const auto& [key, value] : local) settings.values["Tessaline/" + key] = value;

    QtToolkit toolkit;
    FakeShell shell;
    Program program(database, toolkit, shell, settings, [] { return 0.5; });
    program.loginWindow().show();
    program.loginWindow().form().Form_Load();  // moves on to the tables window: both checks pass

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
            app.quit();
        });
    });
    return app.exec();
}
