// Starts the program on the login window. The program reads no command line.
#include <QApplication>
#include <QIcon>
#include <atomic>
#include <chrono>
#include <random>

#include "app/program.h"
#include "platform/drivers/drivers_database.h"
#include "platform/odbc/odbc_locale.h"
#include "platform/qt/qt_settings.h"
#include "platform/qt/qt_toolkit.h"
#include "platform/no_core_dumps.h"
#include "platform/signal_watch.h"

int main(int argc, char* argv[]) {
    tess::ForbidCoreDumps();  // nothing to tell a person about: a core dump is never asked for
    // Before anything else, so that no thread made later (the Firebird engine's) takes the signals.
    // A signal is kept from the moment it comes, whatever is running yet: the exit status says it.
    std::atomic<int> received{0};
    std::atomic<tess::Program*> running{nullptr};
    std::atomic<QCoreApplication*> eventLoop{nullptr};
    tess::SignalWatch signalWatch([&](int signal) {
        received = signal;
        if (tess::Program* program = running.load()) program->stopRequest().request(signal);
        if (QCoreApplication* app = eventLoop.load())
            QMetaObject::invokeMethod(app, &QCoreApplication::quit, Qt::QueuedConnection);
    });
    int qtArgc = 1;  // Qt's own options are not read either
    QApplication app(qtArgc, argv);
    eventLoop = &app;
    (void)argc;
    if (received) return tess::SignalExitStatus(received);
    QApplication::setWindowIcon(QIcon(QApplication::applicationDirPath() + "/tessaline.png"));
    tess::UseUtf8CharacterSet();

    tess::DriversDatabase database;
    tess::QtToolkit toolkit;
    tess::QtShell shell;
    tess::QtSettingsStore settings;
    // Seeded from the clock, as the home-page draw at start-up expects.
    std::mt19937 generator(static_cast<unsigned>(std::chrono::system_clock::now().time_since_epoch().count()));
    std::uniform_real_distribution<double> draw(0.0, 1.0);
    tess::Program program(database, toolkit, shell, settings, [&] { return draw(generator); });
    running = &program;
    if (received) return tess::SignalExitStatus(received);
    if (settings.warning()) toolkit.messageBox(*settings.warning(), tess::kOkOnly, std::nullopt);
    program.start();
    const int status = app.exec();
    running = nullptr;
    eventLoop = nullptr;
    return received ? tess::SignalExitStatus(received) : status;
}
