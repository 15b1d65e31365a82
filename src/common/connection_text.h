#pragma once
// Writing and reading "key=value;" connection texts. A value holding one of the text's special
// characters is written between braces with "}" doubled, the ODBC way; every other value is
// written exactly as it stands.
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tess {

inline constexpr const char* kOdbcSpecials = ";{}";
// The Firebird text also quotes "'", which would end its quoted Extended Properties.
inline constexpr const char* kFirebirdSpecials = ";{}'";

std::string QuoteConnectionValue(const std::string& value, const char* specials);

using ConnectionPairs = std::vector<std::pair<std::string, std::string>>;

// Splits at ";" outside braces and single quotes; braced and single-quoted values come back
// unwrapped (a single-quoted value keeps any braces inside it, for a nested parse).
ConnectionPairs ParseConnectionText(const std::string& text);
// The value of a key, compared without regard to case and surrounding blanks.
std::optional<std::string> FindConnectionValue(const ConnectionPairs& pairs, const std::string& key);

}  // namespace tess
