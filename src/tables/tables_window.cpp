#include "tables/tables_window.h"

#include "catalogue/table_listing.h"
#include "routines/error_trap.h"
#include "routines/helpers.h"
#include "common/operation_guard.h"
#include "platform/toolkit.h"

namespace tess {
namespace {

TablesWindowControls WithSqlServerNames(TablesWindowControls controls, SqlServerTableNames* names) {
    controls.sqlServerNames = names;
    return controls;
}

}  // namespace

Form2::Form2(Database& database, Toolkit& toolkit, const LoginSource& logins, TablesWindowControls controls,
             Window& loginWindow, OperationGuard& guard)
    : database_(database),
      toolkit_(toolkit),
      logins_(logins),
      c_(WithSqlServerNames(std::move(controls), &sqlServerNames_)),
      loginWindow_(loginWindow),
      guard_(guard),
      sendToFirebird_(database, toolkit, logins, c_, guard),
      sendToSqlServer_(database, toolkit, logins, c_, guard) {}

void Form2::ListSqlServerTables(const SqlServerLogin& login) {
    ListFill(c_.sqlServerList, SqlServerTables(database_, login, &sqlServerNames_, [this] { toolkit_.doEvents(); }));
}

void Form2::ListFirebirdTables(const FirebirdLogin& login) {
    ListFill(c_.firebirdList, FirebirdTables(database_, login));
}

void Form2::Form_Load() {
    c_.window.setButtonFaceColors();
    c_.window.setProgramIcon();
    CenterForm(c_.window, toolkit_);
    const std::string cursor = toolkit_.programFolder() + "/HAND-M.CUR";
    if (FileExists(cursor)) c_.window.setCustomPointerPicture(cursor);
    c_.window.setCaption(kProgramTitle);
    c_.window.setHeight(kBackButtonBottom + 580);
}

void Form2::ButtonMouseMove() {
    if (c_.window.mousePointer() != kPointerBusy) c_.window.setMousePointer(kPointerCustom);
}

void Form2::BackgroundMouseMove() {
    if (c_.window.mousePointer() != kPointerBusy) c_.window.setMousePointer(kPointerDefault);
}

void Form2::SelectEvery(TableList& list, bool selected, const char* button) {
    const auto busy = guard_.tryEnter();
    if (!busy) return;
    ErrorTrap trap(toolkit_, ErrorLocation("Form2", button));
    int count = 0;
    trap.step(100, [&] { count = list.listCount(); });
    for (int i = 0; i < count; ++i) trap.step(102, [&] { list.setSelected(i, selected); });
}

void Form2::PushButton10_Click() { SelectEvery(c_.sqlServerList, true, "PushButton10"); }
void Form2::PushButton11_Click() { SelectEvery(c_.sqlServerList, false, "PushButton11"); }
void Form2::PushButton8_Click() { SelectEvery(c_.firebirdList, true, "PushButton8"); }
void Form2::PushButton9_Click() { SelectEvery(c_.firebirdList, false, "PushButton9"); }

void Form2::PushButton2_Click() {
    const auto busy = guard_.tryEnter();
    if (!busy) return;
    ErrorTrap trap(toolkit_, ErrorLocation("Form2", "PushButton2"));
    trap.step(100, [&] { loginWindow_.show(); });
    trap.step(102, [&] { c_.window.hide(); });
}

void Form2::PushButton12_Click() {
    ErrorTrap trap(toolkit_, ErrorLocation("Form2", "PushButton12"));
    trap.step(100, [&] {
        toolkit_.messageBox(std::string("Questions? Please contact Team Kestrawin at ") + kContactPage, kOkOnly);
    });
}

}  // namespace tess
