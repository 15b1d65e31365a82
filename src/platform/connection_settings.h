#pragma once
// What a connection opens with. The program writes its logins as connection texts, and those texts
// are what a driver named in them receives; but the adapters decide from the login values the
// text was written from, and never read a text back to learn what it says.
#include <string>
#include <variant>

namespace tess {

struct SqlServerLogin {
    std::string server;
    std::string port;
    std::string database;
    std::string user;
    std::string password;
    bool localConnection = false;  // leaves the port out
};

struct FirebirdLogin {
    std::string database;  // a file path (embedded engine) or host:path
    std::string user;
    std::string password;
    std::string charset = "NONE";  // what the connection text declares
    std::string role = "admin";
    // The code page that text in columns of character set NONE is in, by any name ICU knows;
    // empty: text that is valid UTF-8 is read as UTF-8, anything else as Windows-1252.
    std::string noneCodePage{};
};

struct ConnectionSettings {
    // A text for the ODBC driver manager, handed to it as it stands.
    ConnectionSettings(std::string odbcText) : text(std::move(odbcText)) {}
    ConnectionSettings(const char* odbcText) : text(odbcText) {}
    ConnectionSettings(std::string text, SqlServerLogin login) : text(std::move(text)), login(std::move(login)) {}
    ConnectionSettings(std::string text, FirebirdLogin login) : text(std::move(text)), login(std::move(login)) {}

    const SqlServerLogin* sqlServer() const { return std::get_if<SqlServerLogin>(&login); }
    const FirebirdLogin* firebird() const { return std::get_if<FirebirdLogin>(&login); }

    std::string text;
    std::variant<std::monostate, SqlServerLogin, FirebirdLogin> login;
};

}  // namespace tess
