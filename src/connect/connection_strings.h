#pragma once
#include <string>

#include "connect/logins.h"

namespace tess {

class Database;

// The connection texts the program writes for its logins.
std::string SqlServerConnectionString(const SqlServerLogin& login);
std::string FirebirdConnectionString(const FirebirdLogin& login);

// What a connection opens with: the text and the login values it was written from.
ConnectionSettings SqlServerSettings(const SqlServerLogin& login);
ConnectionSettings FirebirdSettings(const FirebirdLogin& login);

// True when a connection opened. Never throws and shows nothing; the connection is released on return.
bool TestSqlServerConnection(Database& database, const SqlServerLogin& login);
bool TestFirebirdConnection(Database& database, const FirebirdLogin& login);

}  // namespace tess
