#include "platform/firebird/fb_connection_text.h"

#include "common/text_case.h"
#include "common/connection_text.h"

namespace tess {
namespace {

std::string First(const ConnectionPairs& a, const ConnectionPairs& b, std::initializer_list<const char*> keys) {
    for (const ConnectionPairs* pairs : {&a, &b})
        for (const char* key : keys)
            if (auto value = FindConnectionValue(*pairs, key)) return *value;
    return "";
}

ConnectionPairs ExtendedProperties(const ConnectionPairs& outer) {
    auto extended = FindConnectionValue(outer, "Extended Properties");
    return extended ? ParseConnectionText(*extended) : ConnectionPairs{};
}

}  // namespace

FirebirdAttachParameters ParseFirebirdConnectionText(const std::string& text) {
    const ConnectionPairs outer = ParseConnectionText(text);
    const ConnectionPairs inner = ExtendedProperties(outer);
    FirebirdAttachParameters p;
    p.database = First(inner, outer, {"Dbname", "Database", "Data Source"});
    // The connection text always puts one blank after the path; a path never ends in one.
    while (!p.database.empty() && p.database.back() == ' ') p.database.pop_back();
    p.user = First(outer, inner, {"User ID", "UID", "User"});
    p.password = First(outer, inner, {"Password", "PWD"});
    p.charset = First(inner, outer, {"CHARSET"});
    p.role = First(inner, outer, {"Role"});
    return p;
}

bool IsFirebirdConnectionText(const std::string& text) {
    const ConnectionPairs outer = ParseConnectionText(text);
    const ConnectionPairs inner = ExtendedProperties(outer);
    auto driver = FindConnectionValue(inner, "Driver");
    if (!driver) driver = FindConnectionValue(outer, "Driver");
    return driver && LowerCase(*driver).find("firebird") != std::string::npos;
}

}  // namespace tess
