#include "app/copy/copy_options.h"

#include <fstream>
#include <map>

namespace tess {

namespace {

// A whole number of at most 15 digits, so that it cannot overflow.
bool IsCount(const std::string& text) {
    return !text.empty() && text.size() <= 15 && text.find_first_not_of("0123456789") == std::string::npos;
}

// The command and its arguments agree.
std::optional<UsageError> CheckCommand(const CopyOptions& o) {
    if (o.command == "test") {
        if (!o.arguments.empty()) return UsageError{"test takes no arguments"};
    } else if (o.command == "list") {
        if (o.arguments.size() != 1 || (o.arguments[0] != "sqlserver" && o.arguments[0] != "firebird"))
            return UsageError{"list takes sqlserver or firebird"};
    } else if (o.command == "verify") {
        if (o.arguments.empty() || (o.arguments.size() < 2 && !o.choice.byPattern()) ||
            (o.arguments[0] != "sqlserver-to-firebird" && o.arguments[0] != "firebird-to-sqlserver"))
            return UsageError{"verify takes sqlserver-to-firebird or firebird-to-sqlserver and at least one table, "
                              "--all or --include"};
    } else if (o.command == "send-to-firebird" || o.command == "send-to-sqlserver") {
        if (o.arguments.empty() && !o.choice.byPattern())
            return UsageError{o.command + " needs at least one table, --all or --include"};
    } else {
        return UsageError{"unknown command " + o.command};
    }
    return std::nullopt;
}

}  // namespace

std::variant<CopyOptions, UsageError> ParseCopyOptions(const std::vector<std::string>& args) {
    CopyOptions o;
    const std::map<std::string, std::optional<std::string> CopyOptions::*> valued = {
        {"--fb-database", &CopyOptions::fbDatabase}, {"--fb-user", &CopyOptions::fbUser},
        {"--fb-password", &CopyOptions::fbPassword}, {"--ms-server", &CopyOptions::msServer},
        {"--ms-port", &CopyOptions::msPort},         {"--ms-database", &CopyOptions::msDatabase},
        {"--ms-user", &CopyOptions::msUser},         {"--ms-password", &CopyOptions::msPassword},
        {"--fb-password-file", &CopyOptions::fbPasswordFile}, {"--ms-password-file", &CopyOptions::msPasswordFile},
        {"--summary-json", &CopyOptions::summaryJson}, {"--fb-none-code-page", &CopyOptions::fbNoneCodePage},
        {"--rejects", &CopyOptions::rejects},
    };
    std::vector<std::string> words;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (optionsEnded || a.rfind("--", 0) != 0) {
            words.push_back(a);
        } else if (a == "--") {
            optionsEnded = true;
        } else if (a == "--help" || a == "--version") {
            o.command = a.substr(2);
            return o;
        } else if (a == "--sample" || a == "--stall-timeout") {
            if (i + 1 >= args.size() || !IsCount(args[i + 1]))
                return UsageError{a == "--sample" ? "--sample takes a number of rows" : "--stall-timeout takes seconds"};
            (a == "--sample" ? o.sample : o.stallTimeout) = std::stoll(args[++i]);
        } else if (a == "--max-refused") {
            if (i + 1 >= args.size() || !IsCount(args[i + 1]) || std::stoll(args[i + 1]) < 1)
                return UsageError{"--max-refused takes a number of rows, 1 or more"};
            o.maxRefused = std::stoll(args[++i]);
        } else if (a == "--bulk") {
            o.bulk = true;
        } else if (a == "--keys") {
            o.keys = true;
        } else if (a == "--all") {
            o.choice.all = true;
        } else if (a == "--include" || a == "--exclude") {
            if (i + 1 >= args.size()) return UsageError{a + " needs a pattern"};
            (a == "--include" ? o.choice.include : o.choice.exclude).push_back(args[++i]);
        } else if (a == "--ms-local") {
            o.msLocal = true;
        } else if (a == "--overwrite") {
            if (i + 1 >= args.size() || (args[i + 1] != "yes" && args[i + 1] != "no"))
                return UsageError{"--overwrite takes yes or no"};
            o.overwrite = args[++i] == "yes";
        } else if (auto it = valued.find(a); it != valued.end()) {
            if (i + 1 >= args.size()) return UsageError{a + " needs a value"};
            o.*(it->second) = args[++i];
        } else {
            return UsageError{"unknown option " + a};
        }
    }
    if (words.empty()) return UsageError{"no command given"};
    o.command = words.front();
    o.arguments.assign(words.begin() + 1, words.end());
    if (auto error = CheckCommand(o)) return *error;
    return o;
}

std::optional<UsageError> ReadPasswords(CopyOptions& o, const std::optional<std::string>& fbFromEnvironment,
                                        const std::optional<std::string>& msFromEnvironment) {
    auto read = [](std::optional<std::string>& password, const std::optional<std::string>& file,
                   const std::optional<std::string>& environment) -> std::optional<UsageError> {
        if (password) return std::nullopt;
        if (file) {
            std::ifstream in(*file);
            std::string line;
            if (!in || !std::getline(in, line)) return UsageError{"cannot read the password file " + *file};
            if (!line.empty() && line.back() == '\r') line.pop_back();
            password = line;
        } else if (environment) {
            // As from a file: a value set from `$(cat file)` or an editor keeps no line end.
            std::string value = *environment;
            while (!value.empty() && (value.back() == '\n' || value.back() == '\r')) value.pop_back();
            password = value;
        }
        return std::nullopt;
    };
    if (auto e = read(o.fbPassword, o.fbPasswordFile, fbFromEnvironment)) return e;
    return read(o.msPassword, o.msPasswordFile, msFromEnvironment);
}

StoredLogins CopyOptions::apply(StoredLogins s) const {
    auto lay = [](std::string& field, const std::optional<std::string>& given) {
        if (given) field = *given;
    };
    lay(s.firebird.database, fbDatabase);
    lay(s.firebird.user, fbUser);
    lay(s.firebird.password, fbPassword);
    lay(s.firebird.noneCodePage, fbNoneCodePage);
    lay(s.sqlServer.server, msServer);
    lay(s.sqlServer.port, msPort);
    lay(s.sqlServer.database, msDatabase);
    lay(s.sqlServer.user, msUser);
    lay(s.sqlServer.password, msPassword);
    if (msLocal) s.sqlServer.localConnection = true;
    return s;
}

}  // namespace tess
