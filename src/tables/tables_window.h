#pragma once
// The tables window's behaviour: the two lists side by side and every operation on them.
#include "catalogue/sqlserver_table_names.h"
#include "connect/login_window.h"
#include "tables/send_to_firebird.h"
#include "tables/send_to_sqlserver.h"

namespace tess {

class Database;
class LoginSource;
class OperationGuard;
class ProgressBar;
class TableList;
class Toolkit;
class Window;

inline constexpr const char* kContactPage = "https://www.kestrawin.example/contact/";

// Design geometry, in twips.
inline constexpr double kBackButtonBottom = 4980 + 405;

class Form2 : public TablesWindowDoor {
public:
    Form2(Database& database, Toolkit& toolkit, const LoginSource& logins, TablesWindowControls controls,
          Window& loginWindow, OperationGuard& guard);

    TableList& list1() override { return c_.sqlServerList; }
    TableList& list2() override { return c_.firebirdList; }
    Window& window() override { return c_.window; }
    void ListSqlServerTables(const SqlServerLogin& login) override;
    void ListFirebirdTables(const FirebirdLogin& login) override;

    void Form_Load();
    void ButtonMouseMove();
    void BackgroundMouseMove();

    void PushButton1_Click();   // Delete Table/s, SQL Server
    void PushButton2_Click();   // < Back
    void PushButton3_Click() { sendToFirebird_.PushButton3_Click(); }
    void PushButton4_Click() { sendToSqlServer_.PushButton4_Click(); }
    void PushButton5_Click();   // Delete Table/s, Firebird
    void PushButton6_Click();   // Rename Table, SQL Server
    void PushButton7_Click();   // Rename Table, Firebird
    void PushButton8_Click();   // Select All, Firebird
    void PushButton9_Click();   // Deselect All, Firebird
    void PushButton10_Click();  // Select All, SQL Server
    void PushButton11_Click();  // Deselect All, SQL Server
    void PushButton12_Click();  // Help

private:
    void SelectEvery(TableList& list, bool selected, const char* button);

    SqlServerTableNames sqlServerNames_;  // before the controls, which point at it
    Database& database_;
    Toolkit& toolkit_;
    const LoginSource& logins_;
    TablesWindowControls c_;
    Window& loginWindow_;
    OperationGuard& guard_;
    SendToFirebird sendToFirebird_;
    SendToSqlServer sendToSqlServer_;
};

}  // namespace tess
