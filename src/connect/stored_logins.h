#pragma once
// The login values as the login window saves them.
#include "connect/logins.h"

namespace tess {

class SettingsStore;

inline constexpr const char* kSettingsSection = "Tessaline";

struct StoredLogins {
    SqlServerLogin sqlServer;
    FirebirdLogin firebird;
};

// Each key with the login window's default when absent: "SYSDBA", "1433", "0" (not local).
StoredLogins ReadStoredLogins(const SettingsStore& store);

}  // namespace tess
