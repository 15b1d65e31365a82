#include "platform/drivers/routing_database.h"

#include <gtest/gtest.h>

#include "connect/connection_strings.h"
#include "fakes/fake_database.h"

namespace tess {
namespace {

// The login decides the layer; what a text happens to say does not.
TEST(RoutingDatabase, TheLoginChoosesTheLayer) {
    FakeDatabase firebird, others;
    RoutingDatabase db([&] { return firebird.createConnection(); }, [&] { return others.createConnection(); });
    struct Case {
        ConnectionSettings settings;
        FakeDatabase* layer;
    } cases[] = {
        {FirebirdSettings({"/db/shop.fdb", "SYSDBA", ""}), &firebird},
        {SqlServerSettings({"firebird", "1433", "Firebird", "firebird", "Driver=Firebird", false}), &others},
        {"Driver=Firebird/InterBase(r) driver;Dbname=/db/shop.fdb;", &others},
        {FirebirdSettings({"/db/other.fdb", "SYSDBA", ""}), &firebird},
    };
    auto connection = db.createConnection();
    for (const auto& c : cases) {
        const size_t before = c.layer->calls("open").size();
        connection->setCommandTimeout(7);
        connection->open(c.settings);
        EXPECT_EQ(c.layer->calls("open").size(), before + 1) << c.settings.text;
        EXPECT_EQ(c.layer->calls("open").back(), "open " + c.settings.text);
        connection->close();
    }
    EXPECT_EQ(firebird.connectionsCreated + others.connectionsCreated, 3) << "a layer's connection is kept while it serves";
}

}  // namespace
}  // namespace tess
