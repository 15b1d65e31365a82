#pragma once
#include <string>

#include "connect/logins.h"

namespace tess {

class Database;

std::string SqlServerConnectionString(const SqlServerLogin& login);
std::string FirebirdConnectionString(const FirebirdLogin& login);

// True when a connection opened. Never throws and shows nothing; the connection is released on return.
bool TestSqlServerConnection(Database& database, const SqlServerLogin& login);
bool TestFirebirdConnection(Database& database, const FirebirdLogin& login);

}  // namespace tess
