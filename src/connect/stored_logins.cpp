#include "connect/stored_logins.h"

#include "platform/settings.h"

namespace tess {

StoredLogins ReadStoredLogins(const SettingsStore& store) {
    auto read = [&](const char* key, const char* fallback) { return store.read(kSettingsSection, key, fallback); };
    StoredLogins s;
    s.firebird.database = read("FireBirdDatabase", "");
    s.firebird.password = read("FireBirdPassword", "");
    s.firebird.user = read("FireBirdUser", "SYSDBA");
    s.sqlServer.server = read("MSSQL Server", "");
    s.sqlServer.user = read("MSSQL User", "");
    s.sqlServer.password = read("MSSQL Password", "");
    s.sqlServer.database = read("MSSQL Database", "");
    s.sqlServer.port = read("MSSQL Port", "1433");
    s.sqlServer.localConnection = read("Local Connection", "0") != "0";
    return s;
}

StoredLogins ReadLoginsAndCodePage(const SettingsStore& store) {
    StoredLogins s = ReadStoredLogins(store);
    s.firebird.noneCodePage = store.read(kSettingsSection, kNoneCodePageKey, "");
    return s;
}

}  // namespace tess
