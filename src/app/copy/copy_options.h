#pragma once
// The headless companion's command line.
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "connect/stored_logins.h"

namespace tess {

inline constexpr const char* kCopyUsage =
    "usage: tessaline-copy [login options] test | list sqlserver|firebird | send-to-firebird TABLE... | "
    "send-to-sqlserver TABLE...\n"
    "  --fb-database PATH --fb-user NAME --fb-password TEXT\n"
    "  --ms-server NAME --ms-port N --ms-database NAME --ms-user NAME --ms-password TEXT --ms-local\n"
    "  --overwrite yes|no     answer to the overwrite question (default no)\n";

struct CopyOptions {
    std::optional<std::string> fbDatabase, fbUser, fbPassword;
    std::optional<std::string> msServer, msPort, msDatabase, msUser, msPassword;
    bool msLocal = false;
    bool overwrite = false;
    std::string command;  // test, list, send-to-firebird, send-to-sqlserver
    std::vector<std::string> arguments;

    // The stored logins with the options given laid over them.
    StoredLogins apply(StoredLogins stored) const;
};

struct UsageError {
    std::string message;
};

std::variant<CopyOptions, UsageError> ParseCopyOptions(const std::vector<std::string>& args);

}  // namespace tess
