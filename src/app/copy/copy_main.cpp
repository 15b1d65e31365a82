// tessaline-copy: the transfers without windows, for scheduled copies and for benchmarks.
#include <iostream>

#include "app/copy/copy_command.h"
#include "platform/console_toolkit.h"
#include "platform/drivers/drivers_database.h"
#include "platform/odbc/odbc_locale.h"
#include "platform/qt/qt_settings.h"

int main(int argc, char** argv) {
    const auto parsed = tess::ParseCopyOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (const auto* error = std::get_if<tess::UsageError>(&parsed)) {
        std::cerr << "tessaline-copy: " << error->message << "\n" << tess::kCopyUsage;
        return 2;
    }
    const auto& options = std::get<tess::CopyOptions>(parsed);
    tess::UseUtf8CharacterSet();
    tess::QtSettingsStore settings;
    tess::DriversDatabase database;
    tess::ConsoleToolkit toolkit(std::cerr, options.overwrite ? tess::kAnswerYes : tess::kAnswerNo);
    std::ostream& out = options.command == "list" ? std::cout : std::cerr;
    return tess::RunCopyCommand(options, tess::ReadStoredLogins(settings), database, toolkit, out);
}
