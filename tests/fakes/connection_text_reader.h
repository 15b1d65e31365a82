#pragma once
// Reads a "key=value;" connection text back the way ODBC drivers read one, so that tests can
// check that each value the program writes arrives as it was typed.
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tess {

using ConnectionPairs = std::vector<std::pair<std::string, std::string>>;

// Splits at ";" outside braces and single quotes; braced and single-quoted values come back
// unwrapped (a single-quoted value keeps any braces inside it, for a nested parse).
ConnectionPairs ParseConnectionText(const std::string& text);
// The value of a key, compared without regard to case and surrounding blanks.
std::optional<std::string> FindConnectionValue(const ConnectionPairs& pairs, const std::string& key);

}  // namespace tess
