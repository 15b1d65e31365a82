#pragma once
#include <string>

namespace tess {

// A fresh folder under the system's temp folder, removed with everything in it at the end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Creates an empty Firebird database file with the embedded engine (owner SYSDBA, dialect 3), with
// the given default character set (the engine's own default, NONE, when empty).
void CreateFirebirdDatabase(const std::string& path, const std::string& defaultCharacterSet = "");

// Registers drivers for this process only: writes odbcinst.ini to `folder` and points ODBCSYSINI there.
void UsePrivateOdbcDrivers(const std::string& folder, const std::string& iniText);

}  // namespace tess
