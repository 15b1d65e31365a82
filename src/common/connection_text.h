#pragma once
// Writing "key=value;" connection texts. A value holding one of the text's special
// characters is written between braces with "}" doubled, the ODBC way; every other value is
// written exactly as it stands.
#include <string>

namespace tess {

inline constexpr const char* kOdbcSpecials = ";{}";
// The Firebird text also quotes "'", which would end its quoted Extended Properties.
inline constexpr const char* kFirebirdSpecials = ";{}'";

std::string QuoteConnectionValue(const std::string& value, const char* specials);

}  // namespace tess
