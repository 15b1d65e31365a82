#pragma once
// The login values as the login window saves them.
#include "connect/logins.h"

namespace tess {

class SettingsStore;

inline constexpr const char* kSettingsSection = "Tessaline";
// The code page that Firebird text in NONE columns is in, by any name ICU knows ("windows-1250");
// absent or empty: guessed.
inline constexpr const char* kNoneCodePageKey = "FireBird NONE Code Page";

struct StoredLogins {
    SqlServerLogin sqlServer;
    FirebirdLogin firebird;
};

// Each key with the login window's default when absent: "SYSDBA", "1433", "0" (not local).
StoredLogins ReadStoredLogins(const SettingsStore& store);
// The same, with the code page of NONE text, which the window reads when it connects.
StoredLogins ReadLoginsAndCodePage(const SettingsStore& store);

}  // namespace tess
