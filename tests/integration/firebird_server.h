#pragma once
// A Firebird server of the test's own, from Debian's firebird3.0-server: a private root with its own
// configuration and security database (SYSDBA's password set by the test), listening on
// 127.0.0.1 at a free port, with lock files of its own, stopped when the object goes.
#include <sys/types.h>

#include <string>

#include "temp_folder.h"

namespace tess {

class FirebirdServer {
public:
    static constexpr const char* kPassword = "cobaltrim";

    // Throws when the server binary is missing or the server does not come up.
    FirebirdServer();
    ~FirebirdServer();
    FirebirdServer(const FirebirdServer&) = delete;
    FirebirdServer& operator=(const FirebirdServer&) = delete;

    int port() const { return port_; }
    // A path for a database file that the server may create and open.
    std::string file(const std::string& name) const { return folder_.file(name); }
    // "127.0.0.1/port:path", the form the login window takes for a server.
    std::string address(const std::string& path) const;
    // Creates an empty database through the server.
    void createDatabase(const std::string& path) const;
    // Freezes and thaws the server process: a frozen server accepts and never answers.
    void freeze();
    void thaw();
    // Kills the server, as a crash or a cut link would end its connections, and starts it again
    // on the same port.
    void kill();
    void start();

private:
    // Starts the server on port_; false, with it stopped, when the port is another process's.
    bool tryStart();
    // Writes the server's configuration, listening on `port`.
    void configure(int port);

    TempFolder folder_;
    std::string root_;
    int port_ = 0;
    pid_t pid_ = -1;
};

}  // namespace tess
