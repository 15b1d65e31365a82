#include "app/program.h"

namespace tess {

Program::Program(Database& database, Toolkit& toolkit, Shell& shell, SettingsStore& settings, Form1::Random random)
    : database_(database), toolkit_(toolkit) {
    login_ = std::make_unique<LoginWindowWidget>(
        database, toolkit, shell, settings, [this]() -> TablesWindowDoor& { return tablesWindow().form(); }, std::move(random),
        guard_);
}

void Program::start() {
    login_->show();
    login_->form().Form_Load();
}

TablesWindowWidget& Program::tablesWindow() {
    if (!tables_) {
        tables_ = std::make_unique<TablesWindowWidget>(database_, toolkit_, login_->form(), login_->window(), guard_);
        tables_->form().Form_Load();
    }
    return *tables_;
}

}  // namespace tess
