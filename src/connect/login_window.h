#pragma once
// The login window's behaviour: its fields are the working copy of the login values, every edit is
// stored at once, each login can be tested, and "Next >" moves on to the tables window.
#include <functional>
#include <string>

#include "connect/logins.h"

namespace tess {

class CheckBox;
class Database;
class OperationGuard;
class SettingsStore;
class Shell;
class TableList;
class TextField;
class Toolkit;
class Window;

struct LoginWindowControls {
    TextField& text1;  // Firebird database
    TextField& text2;  // Firebird password
    TextField& text3;  // SQL Server user
    TextField& text4;  // SQL Server password
    TextField& text5;  // SQL Server server
    TextField& text6;  // SQL Server port
    TextField& text7;  // Firebird user
    TextField& text8;  // SQL Server database
    CheckBox& check4;  // Local Connection
    Window& window;
};

// What "Next >" fills and shows. The tables window and the table listings sit above the login
// window, so the program hands the window in through this door.
class TablesWindowDoor {
public:
    virtual TableList& list1() = 0;  // SQL Server tables
    virtual TableList& list2() = 0;  // Firebird tables
    virtual Window& window() = 0;
    virtual void ListSqlServerTables(const SqlServerLogin& login) = 0;
    virtual void ListFirebirdTables(const FirebirdLogin& login) = 0;

protected:
    ~TablesWindowDoor() = default;
};

inline constexpr const char* kHomePage = "https://www.kestrawin.example/";
inline constexpr const char* kDownloadPage = "https://www.kestrawin.example/downloads/sql-manager-lite/";

class Form1 : public LoginSource {
public:
    using Random = std::function<double()>;  // 0 <= r < 1, seeded from the clock

    Form1(Database& database, Toolkit& toolkit, Shell& shell, SettingsStore& settings, LoginWindowControls controls,
          std::function<TablesWindowDoor&()> tablesWindow, Random random, OperationGuard& guard);

    SqlServerLogin sqlServerLogin() const override;
    FirebirdLogin firebirdLogin() const override;

    void Form_Load();
    // Field and check-box changes: each writes its key.
    void Text_Change(TextField& field);
    void Check4_Click();
    void ButtonMouseMove();
    void BackgroundMouseMove();

    void PushButton1_Click();  // Help
    void PushButton2_Click();  // Next >
    void PushButton3_Click();  // Test Connection, Firebird
    void PushButton5_Click();  // browse for the database file
    void PushButton6_Click();  // Test Connection, SQL Server
    void PushButton7_Click();  // Load Sample/Example Database

    // The store key that a field writes.
    const char* KeyOf(const TextField& field) const;

private:
    void ApplySkin();
    void OpenHomePageAtRandom();
    void TestConnection(const ConnectionSettings& settings, int cursorLocation, const char* failure);

    Database& database_;
    Toolkit& toolkit_;
    Shell& shell_;
    SettingsStore& settings_;
    LoginWindowControls c_;
    std::function<TablesWindowDoor&()> tablesWindow_;
    Random random_;
    OperationGuard& guard_;
};

}  // namespace tess
