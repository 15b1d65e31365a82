#pragma once
// Quoted identifiers with their closing quote escaped, so that no name can end its quoting.
#include <string>

namespace tess {

// "a""b" for a"b.
std::string FirebirdName(const std::string& name);
// [a]]b] for a]b.
std::string SqlServerName(const std::string& name);

}  // namespace tess
