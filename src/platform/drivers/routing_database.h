#pragma once
// One kind of connection object for both databases, as the program's handlers expect: the login
// given to Open decides which database layer the connection goes through.
#include <functional>

#include "platform/database.h"

namespace tess {

class RoutingDatabase : public Database {
public:
    using Factory = std::function<std::unique_ptr<Connection>()>;
    // `firebird` makes the connections for Firebird logins, `others` for every other one.
    RoutingDatabase(Factory firebird, Factory others);
    std::unique_ptr<Connection> createConnection() override;

private:
    Factory firebird_, others_;
};

}  // namespace tess
