#pragma once
// Whether a copied table's identity will go on after the largest value the copy put in: what the
// target's generator or identity gives next, against the column's largest value.
#include <optional>
#include <string>

namespace tess {

class Connection;

// Nothing when it holds, or when the database cannot say; else the words of what is wrong.
std::optional<std::string> FirebirdIdentityStalls(Connection& firebird, const std::string& table,
                                                  const std::string& column);
std::optional<std::string> SqlServerIdentityStalls(Connection& sqlServer, const std::string& schema,
                                                   const std::string& table, const std::string& column);

}  // namespace tess
