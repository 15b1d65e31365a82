#pragma once
// The program's parts, made once at start: the two windows over the real database drivers,
// settings store, toolkit and shell (or over whatever a test passes in).
#include <memory>

#include "common/operation_guard.h"
#include "common/stop_request.h"
#include "windows/login_window_widget.h"
#include "windows/tables_window_widget.h"

namespace tess {

class Program {
public:
    Program(Database& database, Toolkit& toolkit, Shell& shell, SettingsStore& settings, Form1::Random random);

    // Loads and shows the login window, which may move on to the tables window by itself.
    void start();

    LoginWindowWidget& loginWindow() { return *login_; }
    // Made and loaded on first use.
    TablesWindowWidget& tablesWindow();
    bool tablesWindowExists() const { return tables_ != nullptr; }
    // Asks a running transfer to commit what it wrote and end.
    StopRequest& stopRequest() { return stop_; }

private:
    Database& database_;
    Toolkit& toolkit_;
    OperationGuard guard_;
    StopRequest stop_;
    std::unique_ptr<LoginWindowWidget> login_;
    std::unique_ptr<TablesWindowWidget> tables_;
};

}  // namespace tess
