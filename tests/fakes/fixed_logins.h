#pragma once
#include "connect/logins.h"

namespace tess {

struct FixedLogins : LoginSource {
    SqlServerLogin sqlServer{"SRV", "1433", "Sales", "sa", "pw", false};
    FirebirdLogin firebird{"/data/shop.fdb", "SYSDBA", "cobaltrim"};
    SqlServerLogin sqlServerLogin() const override { return sqlServer; }
    FirebirdLogin firebirdLogin() const override { return firebird; }
};

}  // namespace tess
