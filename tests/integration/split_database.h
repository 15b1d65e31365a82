#pragma once
// Firebird texts go to the real Firebird engine, every other text to a fake: for copying between a
// real Firebird database and a SQL Server side that the test scripts.
#include "fakes/fake_database.h"
#include "platform/drivers_database.h"

namespace tess {

class SplitDatabase : public Database {
public:
    std::unique_ptr<Connection> createConnection() override;
    FakeDatabase sqlServer;
    DriversDatabase firebird;
};

}  // namespace tess
