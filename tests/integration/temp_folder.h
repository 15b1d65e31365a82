#pragma once
#include <string>
#include <utility>
#include <vector>

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
void CreateFirebirdDatabase(const std::string& path, const std::string& defaultCharacterSet = "", int dialect = 3);

// Writes one array value through the client library's own slice description, and stores it with
// `update`, a statement with one marker for the array ("UPDATE T SET A = ? WHERE ID = 1").
// `elementType` is a blr type, `elementBytes` its size in the slice (for blr_cstring: with the
// terminating zero); `bounds` lower and upper index by dimension; `slice` the elements, last index
// fastest.
void PutFirebirdArray(const std::string& path, const std::string& relation, const std::string& field,
                      const std::string& update, unsigned char elementType, unsigned short elementBytes,
                      const std::vector<std::pair<int, int>>& bounds, std::vector<unsigned char> slice);

// Registers drivers for this process only: writes odbcinst.ini to `folder` and points ODBCSYSINI there.
void UsePrivateOdbcDrivers(const std::string& folder, const std::string& iniText);

// SQLite's ODBC driver registered as "SQL Server". On Unix that driver leaves calls from several
// threads to the driver manager to keep apart (so says its source), and its SQLCancel frees the
// statement's results: a stop from another thread, which a SQL Server driver takes in the middle of
// a fetch, would free them under the fetch. unixODBC's level 3 makes the cancel wait for the call.
inline constexpr const char* kSqliteStandingIn =
    "[SQL Server]\nDescription=SQLite standing in\nDriver=/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so\n"
    "Threading=3\n";

}  // namespace tess
