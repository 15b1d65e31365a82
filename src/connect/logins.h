#pragma once
// The login values of both databases, read from the login window's fields each time a
// connection is opened.
#include "platform/connection_settings.h"

namespace tess {

// What the handlers read the current login values from: the login window, or a test's values.
class LoginSource {
public:
    virtual ~LoginSource() = default;
    virtual SqlServerLogin sqlServerLogin() const = 0;
    virtual FirebirdLogin firebirdLogin() const = 0;
};

}  // namespace tess
