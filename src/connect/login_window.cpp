#include "connect/login_window.h"

#include "routines/error_trap.h"
#include "routines/helpers.h"
#include "common/operation_guard.h"
#include "connect/connection_strings.h"
#include "connect/stored_logins.h"
#include "platform/database.h"
#include "platform/settings.h"
#include "platform/toolkit.h"

namespace tess {

Form1::Form1(Database& database, Toolkit& toolkit, Shell& shell, SettingsStore& settings,
             LoginWindowControls controls, std::function<TablesWindowDoor&()> tablesWindow, Random random,
             OperationGuard& guard)
    : database_(database),
      toolkit_(toolkit),
      shell_(shell),
      settings_(settings),
      c_(controls),
      tablesWindow_(std::move(tablesWindow)),
      random_(std::move(random)),
      guard_(guard) {}

SqlServerLogin Form1::sqlServerLogin() const {
    return {c_.text5.text(), c_.text6.text(), c_.text8.text(), c_.text3.text(), c_.text4.text(),
            c_.check4.value() == 1};
}

// The code page of NONE text is no field of the window: it is set in the settings file alone.
FirebirdLogin Form1::firebirdLogin() const {
    FirebirdLogin login;
    login.database = c_.text1.text();
    login.user = c_.text7.text();
    login.password = c_.text2.text();
    login.noneCodePage = settings_.read(kSettingsSection, kNoneCodePageKey, "");
    return login;
}

const char* Form1::KeyOf(const TextField& f) const {
    if (&f == &c_.text1) return "FireBirdDatabase";
    if (&f == &c_.text2) return "FireBirdPassword";
    if (&f == &c_.text7) return "FireBirdUser";
    if (&f == &c_.text5) return "MSSQL Server";
    if (&f == &c_.text3) return "MSSQL User";
    if (&f == &c_.text4) return "MSSQL Password";
    if (&f == &c_.text8) return "MSSQL Database";
    if (&f == &c_.text6) return "MSSQL Port";
    return "";
}

void Form1::Text_Change(TextField& field) { settings_.write(kSettingsSection, KeyOf(field), field.text()); }

void Form1::Check4_Click() { settings_.write(kSettingsSection, "Local Connection", c_.check4.value() == 1 ? "1" : "0"); }

void Form1::ButtonMouseMove() {
    if (c_.window.mousePointer() != kPointerBusy) c_.window.setMousePointer(kPointerCustom);
}

void Form1::BackgroundMouseMove() {
    if (c_.window.mousePointer() != kPointerBusy) c_.window.setMousePointer(kPointerDefault);
}

void Form1::ApplySkin() {
    const std::string skin = toolkit_.programFolder() + "/x/o.cjs";
    if (!FileExists(skin)) return;
    c_.window.setButtonFaceColors();
    c_.window.applySkin(skin);
}

void Form1::OpenHomePageAtRandom() {
    const int n = static_cast<int>(random_() * 100) + 1;
    if (n != 7) return;
    // Loading has no trap, and a home page that no browser opens is no reason not to start.
    try {
        shell_.run(std::string("explorer \"") + kHomePage + "\"", kMinimizedKeepFocus);
    } catch (const std::exception&) {
    }
}

void Form1::Form_Load() {
    ApplySkin();
    CenterForm(c_.window, toolkit_);
    OpenHomePageAtRandom();
    c_.window.setCaption(kProgramTitle);
    c_.window.setProgramIcon();
    const std::string cursor = toolkit_.programFolder() + "/HAND-M.CUR";
    if (FileExists(cursor)) c_.window.setCustomPointerPicture(cursor);

    const StoredLogins stored = ReadStoredLogins(settings_);
    c_.text1.setText(stored.firebird.database);
    c_.text2.setText(stored.firebird.password);
    c_.text7.setText(stored.firebird.user);
    c_.text5.setText(stored.sqlServer.server);
    c_.text3.setText(stored.sqlServer.user);
    c_.text4.setText(stored.sqlServer.password);
    c_.text8.setText(stored.sqlServer.database);
    c_.text6.setText(stored.sqlServer.port);
    c_.check4.setValue(stored.sqlServer.localConnection ? 1 : 0);

    // With saved logins that work, the tables window opens by itself.
    if (!c_.text7.text().empty() && !c_.text5.text().empty() && TestFirebirdConnection(database_, firebirdLogin()) &&
        TestSqlServerConnection(database_, sqlServerLogin()))
        PushButton2_Click();
}

void Form1::PushButton2_Click() {
    const auto busy = guard_.tryEnter();
    if (!busy) return;
    ErrorTrap trap(toolkit_, ErrorLocation("Form1", "PushButton2"));
    trap.step(100, [&] { c_.window.setMousePointer(kPointerBusy); });
    if (trap.test(102, [&] { return TestFirebirdConnection(database_, firebirdLogin()); }) &&
        trap.test(104, [&] { return TestSqlServerConnection(database_, sqlServerLogin()); })) {
        trap.step(106, [&] { tablesWindow_().list1().clear(); });
        trap.step(108, [&] { tablesWindow_().list2().clear(); });
        trap.step(110, [&] { tablesWindow_().ListSqlServerTables(sqlServerLogin()); });
        trap.step(112, [&] { tablesWindow_().ListFirebirdTables(firebirdLogin()); });
        trap.step(114, [&] { tablesWindow_().window().show(); });
        trap.step(116, [&] { c_.window.hide(); });
    }
    trap.step(118, [&] { c_.window.setMousePointer(kPointerDefault); });
}

// The test buttons show their own message instead of the error report.
void Form1::TestConnection(const ConnectionSettings& settings, int cursorLocation, const char* failure) {
    try {
        c_.window.setMousePointer(kPointerBusy);
        auto connection = database_.createConnection();
        if (cursorLocation) connection->setCursorLocation(cursorLocation);
        connection->open(settings);
        toolkit_.messageBox("Connection successful.", kOkOnly);
        c_.window.setMousePointer(kPointerDefault);
    } catch (...) {
        toolkit_.messageBox(failure, kOkOnly);
        c_.window.setMousePointer(kPointerDefault);
    }
}

void Form1::PushButton3_Click() {
    TestConnection(FirebirdSettings(firebirdLogin()), kUseServer, "Could not connect.");
}

void Form1::PushButton6_Click() {
    TestConnection(SqlServerSettings(sqlServerLogin()), 0,
                   "Could not connect. Please check with your administrator.");
}

namespace {

// The folder part of a local database path; nothing for a server's path or a bare name.
std::string FolderOf(const std::string& path) {
    if (path.empty() || path.front() != '/') return "";
    return path.substr(0, std::max<size_t>(path.rfind('/'), 1));
}

}  // namespace

void Form1::PushButton5_Click() {
    ErrorTrap trap(toolkit_, ErrorLocation("Form1", "PushButton5"));
    OpenFileRequest request;
    trap.step(100, [&] { request.fileName = ""; });
    trap.step(102, [&] { request.flags = 2621441; });  // read-only box ticked, explorer style, long names
    trap.step(104, [&] { request.dialogTitle = "Select Firebird Database"; });
    trap.step(106, [&] { request.filter = "FirebirdInterbase Database (*.fdb;*.gdb)|*.fdb;*.gdb|"; });
    request.startFolder = FolderOf(c_.text1.text());
    std::optional<std::string> chosen;
    trap.step(108, [&] { chosen = toolkit_.showOpen(request); });
    if (trap.test(110, [&] { return chosen && !chosen->empty(); })) trap.step(112, [&] { c_.text1.setText(*chosen); });
}

void Form1::PushButton7_Click() {
    ErrorTrap trap(toolkit_, ErrorLocation("Form1", "PushButton7"));
    trap.step(100, [&] { c_.text1.setText(toolkit_.programFolder() + "/Samples/sample.fdb"); });
    trap.step(102, [&] { c_.text7.setText("SYSDBA"); });
    trap.step(104, [&] { c_.text2.setText("cobaltrim"); });
}

void Form1::PushButton1_Click() {
    ErrorTrap trap(toolkit_, ErrorLocation("Form1", "PushButton1"));
    std::string help;
    trap.step(100, [&] {
        help = std::string("If you cannot establish connection to your MS SQL Server database with this program, "
                           "please go to: ") +
               "\r\r" + kDownloadPage + "\r\r" +
               "Download and install the EMS SQL Manager 2005 Lite for SQL Server. Try to connect to " +
               "the same database (with the same login information you are using here). This will determine if " +
               "the login you are using is correct.";
    });
    trap.step(114, [&] { toolkit_.messageBox(help, kOkOnly); });
    if (trap.test(116, [&] {
            return toolkit_.messageBox("Would you like to see an image of how I connect locally?", kYesNo) ==
                   kAnswerYes;
        }))
        trap.step(118, [&] {
            shell_.run("explorer \"" + toolkit_.programFolder() + "/local-connection-example.jpg\"",
                       kMinimizedKeepFocus);
        });
}

}  // namespace tess
