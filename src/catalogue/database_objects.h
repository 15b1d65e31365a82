#pragma once
// What a database holds besides its tables, which a copy does not carry: stored procedures,
// exceptions, generators that number no copied column, functions, packages, roles, grants and
// comments. Said once per run, so that nothing vanishes without a word.
#include <string>
#include <vector>

namespace tess {

class Connection;

// Each as "stored procedure ADD_EMP_PROJ", "grants (12)", ...; empty when the catalogue cannot be
// read (a stand-in without it), since nothing can then be said.
std::vector<std::string> FirebirdObjectsNotCarried(Connection& firebird);
std::vector<std::string> SqlServerObjectsNotCarried(Connection& sqlServer);

}  // namespace tess
