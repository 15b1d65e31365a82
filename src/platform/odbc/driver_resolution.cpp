#include "platform/odbc/driver_resolution.h"

#include <algorithm>

#include "common/text_case.h"
#include "common/connection_text.h"

namespace tess {
namespace {

constexpr const char* kSubstitutes[] = {"ODBC Driver 18 for SQL Server", "ODBC Driver 17 for SQL Server", "FreeTDS"};

bool Installed(const std::vector<std::string>& drivers, const std::string& name) {
    return std::any_of(drivers.begin(), drivers.end(),
                       [&](const std::string& d) { return LowerCase(d) == LowerCase(name); });
}

}  // namespace

std::optional<std::string> ResolveSqlServerDriver(const std::string& connectionText,
                                                  const std::vector<std::string>& installedDrivers) {
    const auto driver = FindConnectionValue(ParseConnectionText(connectionText), "Driver");
    if (!driver || LowerCase(*driver) != "sql server" || Installed(installedDrivers, "SQL Server"))
        return connectionText;
    for (const char* substitute : kSubstitutes) {
        if (!Installed(installedDrivers, substitute)) continue;
        // Only the "Driver=" pair changes; the rest of the text goes to the driver as it stands.
        const std::string lowered = LowerCase(connectionText);
        const size_t key = lowered.find("driver");
        const size_t start = connectionText.find('=', key) + 1;
        const size_t end = connectionText.find(';', start);
        std::string text = connectionText.substr(0, start) + "{" + substitute + "}" +
                           (end == std::string::npos ? std::string(";") : connectionText.substr(end));
        if (std::string(substitute) == "FreeTDS") {
            if (!text.empty() && text.back() != ';') text += ';';
            text += "ClientCharset=UTF-8;";
        }
        return text;
    }
    return std::nullopt;
}

}  // namespace tess
