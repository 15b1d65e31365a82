#pragma once
// Reads the Firebird connection text (the ODBC-provider form the login values are written in) into
// what an attachment needs.
#include <string>

namespace tess {

struct FirebirdAttachParameters {
    std::string database;  // path for the embedded engine, or host:path / inet://host/path for a server
    std::string user;
    std::string password;
    std::string charset;
    std::string role;
};

// Dbname loses its trailing blank; User ID or UID, Password or PWD; CHARSET; Role.
FirebirdAttachParameters ParseFirebirdConnectionText(const std::string& text);

// True when the text is meant for the Firebird adapter rather than an ODBC driver.
bool IsFirebirdConnectionText(const std::string& text);

}  // namespace tess
