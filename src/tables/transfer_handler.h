#pragma once
// What both send handlers work with: the databases, the toolkit, the login values, the tables
// window's controls and the guard that keeps a second operation from starting.
#include <utility>

#include "tables/tables_window_controls.h"

namespace tess {

class Database;
class Toolkit;
class LoginSource;
class OperationGuard;

class TransferHandler {
public:
    TransferHandler(Database& database, Toolkit& toolkit, const LoginSource& logins, TablesWindowControls controls,
                    OperationGuard& guard)
        : database_(database), toolkit_(toolkit), logins_(logins), controls_(std::move(controls)), guard_(guard) {}

protected:
    Database& database_;
    Toolkit& toolkit_;
    const LoginSource& logins_;
    TablesWindowControls controls_;
    OperationGuard& guard_;
};

}  // namespace tess
