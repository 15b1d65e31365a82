#include "app/program.h"

namespace tess {

Program::Program(Database& database, Toolkit& toolkit, Shell& shell, SettingsStore& settings, Form1::Random random)
    : database_(database), toolkit_(toolkit) {
    login_ = std::make_unique<LoginWindowWidget>(
        database, toolkit, shell, settings, [this]() -> TablesWindowDoor& { return tablesWindow().form(); }, std::move(random),
        guard_, stop_);
}

// Loading first: the window appears centred, titled and filled, and after an automatic move to the
// tables window it never appears at all.
void Program::start() {
    login_->form().Form_Load();
    if (!(tables_ && tables_->isVisible())) login_->window().show();
}

TablesWindowWidget& Program::tablesWindow() {
    if (!tables_) {
        tables_ = std::make_unique<TablesWindowWidget>(database_, toolkit_, login_->form(), login_->window(), guard_, stop_);
        tables_->form().Form_Load();
    }
    return *tables_;
}

}  // namespace tess
