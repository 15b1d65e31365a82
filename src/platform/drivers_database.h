#pragma once
// The real database access: a connection text for the Firebird driver goes to the Firebird client
// library, any other text to the ODBC driver manager.
#include "platform/database.h"

namespace Firebird {
class IMaster;
}

namespace tess {

class DriversDatabase : public Database {
public:
    DriversDatabase();
    std::unique_ptr<Connection> createConnection() override;

private:
    Firebird::IMaster* firebird_;
};

}  // namespace tess
