// The settings store on disk: where it lives, what it holds and who may read it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <cstdlib>

#include "connect/stored_logins.h"
#include "platform/qt/qt_settings.h"
#include "temp_folder.h"

namespace tess {
namespace {

TEST(QtSettingsStore, KeepsTheLoginsInAnOwnerOnlyIniFile) {
    TempFolder home;
    setenv("XDG_CONFIG_HOME", home.path().c_str(), 1);
    QStandardPaths::setTestModeEnabled(false);
    {
        QtSettingsStore store;
        EXPECT_EQ(store.read(kSettingsSection, "FireBirdUser", "SYSDBA"), "SYSDBA");
        store.write(kSettingsSection, "MSSQL Password", "pa;ss} é");
        store.write(kSettingsSection, "FireBirdUser", "");
    }
    const std::string file = home.path() + "/Kestrawin/Kestrawin.conf";
    struct stat info {};
    ASSERT_EQ(stat(file.c_str(), &info), 0) << file;
    EXPECT_EQ(info.st_mode & 0777, 0600);

    QtSettingsStore again;
    EXPECT_EQ(again.read(kSettingsSection, "MSSQL Password", ""), "pa;ss} é");
    EXPECT_EQ(again.read(kSettingsSection, "FireBirdUser", "SYSDBA"), "") << "an empty value is not absent";
    const StoredLogins logins = ReadStoredLogins(again);
    EXPECT_EQ(logins.sqlServer.port, "1433");
    EXPECT_EQ(logins.firebird.user, "");
}

}  // namespace
}  // namespace tess
