#pragma once
// The login values of both databases, read from the login window's fields each time a
// connection is opened.
#include <string>

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
};

// What the handlers read the current login values from: the login window, or a test's values.
class LoginSource {
public:
    virtual ~LoginSource() = default;
    virtual SqlServerLogin sqlServerLogin() const = 0;
    virtual FirebirdLogin firebirdLogin() const = 0;
};

}  // namespace tess
