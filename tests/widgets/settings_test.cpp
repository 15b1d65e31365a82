// The settings store on disk: where it lives, what it holds and who may read it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <unistd.h>

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

// The folder is made owner-only; a file that cannot be used is left exactly as it was, and the
// store says why, naming it.
TEST(QtSettingsStore, AFileThatCannotBeUsedIsLeftAloneWithAWarning) {
    TempFolder home;
    // QSettings keeps the folder it found at its first use; this moves it for this process.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(home.path() + "/config"));
    const std::string folder = home.path() + "/config/Kestrawin", file = folder + "/Kestrawin.conf";
    {
        QtSettingsStore fresh;
        EXPECT_FALSE(fresh.warning());
        struct stat info {};
        ASSERT_EQ(stat(folder.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700) << "the folder";
        ASSERT_EQ(stat((home.path() + "/config").c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700) << "a missing parent too";
    }
    const std::string target = home.path() + "/unrelated.txt";
    std::ofstream(target) << "keep me";
    chmod(target.c_str(), 0644);
    struct Case {
        const char* what;
        std::function<void()> make;
        const char* says;
    } cases[] = {
        {"a symbolic link", [&] { symlink(target.c_str(), file.c_str()); }, "is a symbolic link"},
        {"a folder", [&] { mkdir(file.c_str(), 0700); }, "is not a file"},
        {"garbage", [&] { std::ofstream(file, std::ios::binary) << "[General\n\x01\xff=\n[[[\n"; }, "not settings"},
        {"an ELF file", [&] { std::ofstream(file, std::ios::binary) << std::string("\x7f" "ELF\x02\x01\x01\0\0\0", 10); },
         "not settings"},
        {"gzip", [&] { std::ofstream(file, std::ios::binary) << std::string("\x1f\x8b\x08\0\0\0\0\0", 8); }, "not settings"},
        {"JSON", [&] { std::ofstream(file) << "{\n  \"MSSQL Server\": \"db\"\n}\n"; }, "not settings"},
    };
    for (const auto& c : cases) {
        std::filesystem::remove_all(file);
        c.make();
        const auto before = std::filesystem::symlink_status(file).type();
        auto bytes = [&] {
            std::ifstream in(file, std::ios::binary);
            return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        };
        const std::string content = before == std::filesystem::file_type::regular ? bytes() : "";
        QtSettingsStore store;
        ASSERT_TRUE(store.warning()) << c.what;
        EXPECT_NE(store.warning()->find(file), std::string::npos) << *store.warning();
        EXPECT_NE(store.warning()->find(c.says), std::string::npos) << *store.warning();
        store.write(kSettingsSection, "MSSQL Password", "secret");
        EXPECT_EQ(store.read(kSettingsSection, "MSSQL Password", ""), "secret") << "kept for this run";
        EXPECT_EQ(std::filesystem::symlink_status(file).type(), before) << c.what;
        if (before == std::filesystem::file_type::regular) {
            EXPECT_EQ(bytes(), content) << c.what << ": unchanged";
        }
    }
    struct stat info {};
    ASSERT_EQ(stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644) << "the file the link points at keeps its mode";
    std::ifstream in(target);
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(content, "keep me");
}

}  // namespace
}  // namespace tess
