#pragma once
// The headless companion's command line.
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "app/copy/table_choice.h"
#include "connect/stored_logins.h"

namespace tess {

inline constexpr const char* kCopyUsage =
    "usage: tessaline-copy [login options] test | list sqlserver|firebird | send-to-firebird TABLE... | "
    "send-to-sqlserver TABLE...\n"
    "       tessaline-copy [login options] [--sample N] [--keys] verify sqlserver-to-firebird|firebird-to-sqlserver\n"
    "                      TABLE...\n"
    "  --fb-database PATH --fb-user NAME --fb-password TEXT --fb-password-file FILE\n"
    "  --ms-server NAME --ms-port N --ms-database NAME --ms-user NAME --ms-password TEXT --ms-password-file FILE\n"
    "  --ms-local\n"
    "  --fb-none-code-page NAME  the code page of text in Firebird NONE columns (windows-1250, cp1251,\n"
    "                         any name ICU knows); default: UTF-8 when valid, else the code page\n"
    "                         the column's text reads in beyond doubt; else its table stops, naming them\n"
    "  --all                  every table of the source list, after those named\n"
    "  --include PATTERN      the source tables the shell-style pattern matches: their own names, or\n"
    "                         with a dot in it schema.table on the SQL Server side; may be given again\n"
    "  --exclude PATTERN      not the tables it matches, unless named; may be given again\n"
    "  --overwrite yes|no     answer to the overwrite question (default no)\n"
    "  --bulk                 one prepared INSERT per table instead of a literal statement per row\n"
    "  --keys                 also NOT NULL, keys, indexes, foreign keys, the identity and simple\n"
    "                         defaults, made once the rows are in; the summary names what is not\n"
    "                         carried (CHECK constraints, triggers, views, ...); with verify, that\n"
    "                         the copy holds each of them\n"
    "  --max-refused N        end a table once the target has refused N of its rows (default: a\n"
    "                         refused row never stops the others)\n"
    "  --sample N             verify only about N rows of each table, spread across it\n"
    "  --summary-json FILE    also write the copy's summary to FILE as JSON, for schedulers\n"
    "  --rejects DIR          write each table's refused rows to DIR/TABLE.sql as the target's\n"
    "                         INSERT statements, to run with isql or sqlcmd once the cause is mended;\n"
    "                         an existing file is kept unless --overwrite yes\n"
    "  --stall-timeout S      give a table up when nothing comes through for S seconds (default 600;\n"
    "                         0 waits without end)\n"
    "  --help, --version\n"
    "Passwords not given are read from TESSALINE_FB_PASSWORD and TESSALINE_MS_PASSWORD, then from the\n"
    "login window's settings.\n"
    "Exit status: 0 every table copied, 1 something failed, 2 usage error, 3 tables skipped because they\n"
    "exist; 130, 143 or 129 when stopped by SIGINT, SIGTERM or SIGHUP.\n";

inline constexpr const char* kCopyVersion = "tessaline-copy " TESSALINE_VERSION "\n";

struct CopyOptions {
    std::optional<std::string> fbDatabase, fbUser, fbPassword;
    std::optional<std::string> fbNoneCodePage;  // the code page of text in NONE columns (an ICU name)
    std::optional<std::string> msServer, msPort, msDatabase, msUser, msPassword;
    std::optional<std::string> fbPasswordFile, msPasswordFile;
    std::optional<std::string> summaryJson;  // the file the copy's summary is written to as JSON
    std::optional<std::string> rejects;      // the folder of the refused rows' files
    TableChoice choice;  // --all, --include, --exclude
    bool msLocal = false;
    bool overwrite = false;
    bool bulk = false;
    bool keys = false;  // the tables' keys, indexes, identities and defaults too
    long long sample = 0;
    long long stallTimeout = 600;  // seconds
    long long maxRefused = 0;      // refused rows that end a table; 0: none ever does
    std::string command;  // test, list, send-to-firebird, send-to-sqlserver, verify; help, version
    std::vector<std::string> arguments;

    // The stored logins with the options given laid over them.
    StoredLogins apply(StoredLogins stored) const;
};

struct UsageError {
    std::string message;
};

std::variant<CopyOptions, UsageError> ParseCopyOptions(const std::vector<std::string>& args);

// Passwords that the command line does not give: from the password files, else from the
// environment's values (empty when unset). A file's first line is the password.
std::optional<UsageError> ReadPasswords(CopyOptions& options, const std::optional<std::string>& fbFromEnvironment,
                                        const std::optional<std::string>& msFromEnvironment);

}  // namespace tess
