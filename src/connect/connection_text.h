#pragma once
// Writing and reading "key=value;" connection texts. A value holding ";", "{" or "}" (or "'",
// which would end the quoted Extended Properties) is written between braces with "}" doubled,
// the ODBC way; every other value is written exactly as it stands.
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tess {

std::string QuoteConnectionValue(const std::string& value);

using ConnectionPairs = std::vector<std::pair<std::string, std::string>>;

// Splits at ";" outside braces and single quotes; braced and single-quoted values come back
// unwrapped (a single-quoted value keeps any braces inside it, for a nested parse).
ConnectionPairs ParseConnectionText(const std::string& text);
// The value of a key, compared without regard to case and surrounding blanks.
std::optional<std::string> FindConnectionValue(const ConnectionPairs& pairs, const std::string& key);

}  // namespace tess
