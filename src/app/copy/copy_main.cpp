// tessaline-copy: the transfers without windows, for scheduled copies and for benchmarks.
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <iostream>
#include <optional>

#include "app/copy/console.h"
#include "app/copy/copy_command.h"
#include "app/copy/summary_file.h"
#include "common/stop_request.h"
#include "platform/drivers/drivers_database.h"
#include "platform/odbc/odbc_locale.h"
#include "platform/qt/qt_settings.h"
#include "platform/no_core_dumps.h"
#include "platform/signal_watch.h"

namespace {

std::optional<std::string> Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
    if (!tess::ForbidCoreDumps()) std::cerr << "tessaline-copy: core dumps could not be switched off\n";
    // Before anything else, so that no thread made later (the Firebird engine's) takes the signals.
    tess::StopRequest stop;
    std::atomic<bool> comparing{false};  // verify writes nothing: its stop has nothing to commit
    // Made before the watch, so that it outlives the watch's thread; reachable once it is made.
    std::optional<tess::SummaryFile> summary;
    std::atomic<tess::SummaryFile*> summaryMade{nullptr};
    tess::SignalWatch signalWatch(
        [&](int signal) {
            std::cerr << (comparing ? "\ntessaline-copy: stopping: the comparing ends here\n"
                                    : "\ntessaline-copy: stopping: the rows written so far are committed\n");
            stop.request(signal);
        },
        [&](int signal) {
            if (tess::SummaryFile* file = summaryMade.load()) file->writeKept(tess::SignalExitStatus(signal));
        });

    auto parsed = tess::ParseCopyOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (const auto* options = std::get_if<tess::CopyOptions>(&parsed)) comparing = options->command == "verify";
    if (auto* options = std::get_if<tess::CopyOptions>(&parsed))
        if (auto error = tess::ReadPasswords(*options, Environment("TESSALINE_FB_PASSWORD"),
                                             Environment("TESSALINE_MS_PASSWORD")))
            parsed = *error;
    if (const auto* error = std::get_if<tess::UsageError>(&parsed)) {
        std::cerr << "tessaline-copy: " << error->message << "\n" << tess::kCopyUsage;
        return tess::kExitUsage;
    }
    const auto& options = std::get<tess::CopyOptions>(parsed);
    if (options.command == "help") return std::cout << tess::kCopyUsage, tess::kExitCopied;
    if (options.command == "version") return std::cout << tess::kCopyVersion, tess::kExitCopied;

    tess::UseUtf8CharacterSet();
    tess::QtSettingsStore settings;
    if (settings.warning()) std::cerr << "tessaline-copy: " << *settings.warning() << "\n";
    if (options.summaryJson && options.command.rfind("send-to-", 0) == 0) {
        const tess::StoredLogins logins = options.apply(tess::ReadLoginsAndCodePage(settings));
        try {
            summaryMade = &summary.emplace(*options.summaryJson,
                                           std::vector<std::string>{logins.firebird.database, logins.sqlServer.database});
        } catch (const tess::SummaryFileError& e) {
            std::cerr << "tessaline-copy: " << e.what() << "\n";
            return tess::kExitUsage;
        }
    }
    tess::DriversDatabase database;
    // Results on standard output, for every command; progress and reports on standard error.
    tess::Console console(std::cerr, isatty(2) == 1);
    return tess::RunCopyCommand(options, tess::ReadLoginsAndCodePage(settings), database, console, std::cout, &stop,
                                summaryMade.load());
}
