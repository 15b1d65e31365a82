// Starts the program on the login window. The program reads no command line.
#include <QApplication>
#include <QIcon>
#include <chrono>
#include <mutex>
#include <random>

#include "app/program.h"
#include "platform/drivers/drivers_database.h"
#include "platform/odbc/odbc_locale.h"
#include "platform/qt/qt_settings.h"
#include "platform/qt/qt_toolkit.h"
#include "platform/no_core_dumps.h"
#include "platform/signal_watch.h"

namespace {

// What the signal watch's thread may reach: the program and the event loop, each only while it
// lives. The watch's thread holds the lock while it uses them, and each is withdrawn under the
// lock before it is destroyed, so the thread never touches one that is gone.
class SignalTargets {
public:
    void signalled(int signal) {
        std::lock_guard lock(mutex_);
        received_ = signal;
        if (program_) program_->stopRequest().request(signal);
        if (app_) QMetaObject::invokeMethod(app_, &QCoreApplication::quit, Qt::QueuedConnection);
    }
    int received() {
        std::lock_guard lock(mutex_);
        return received_;
    }
    // Reachable from its making to the end of the scope it was made in.
    template <class T>
    class Reachable {
    public:
        Reachable(SignalTargets& targets, T* target) : targets_(targets) { targets_.set(target); }
        ~Reachable() { targets_.set(static_cast<T*>(nullptr)); }
        Reachable(const Reachable&) = delete;
        Reachable& operator=(const Reachable&) = delete;

    private:
        SignalTargets& targets_;
    };

private:
    void set(tess::Program* program) {
        std::lock_guard lock(mutex_);
        program_ = program;
    }
    void set(QCoreApplication* app) {
        std::lock_guard lock(mutex_);
        app_ = app;
    }

    std::mutex mutex_;
    int received_ = 0;
    tess::Program* program_ = nullptr;
    QCoreApplication* app_ = nullptr;
};

}  // namespace

int main(int argc, char* argv[]) {
    tess::ForbidCoreDumps();  // nothing to tell a person about: a core dump is never asked for
    // Before anything else, so that no thread made later (the Firebird engine's) takes the signals.
    // A signal is kept from the moment it comes, whatever is running yet: the exit status says it.
    SignalTargets targets;
    tess::SignalWatch signalWatch([&](int signal) { targets.signalled(signal); });
    int qtArgc = 1;  // Qt's own options are not read either
    QApplication app(qtArgc, argv);
    const SignalTargets::Reachable<QCoreApplication> appReachable(targets, &app);
    (void)argc;
    if (targets.received()) return tess::SignalExitStatus(targets.received());
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
    const SignalTargets::Reachable<tess::Program> programReachable(targets, &program);
    if (targets.received()) return tess::SignalExitStatus(targets.received());
    if (settings.warning()) toolkit.messageBox(*settings.warning(), tess::kOkOnly, std::nullopt);
    program.start();
    const int status = app.exec();
    return targets.received() ? tess::SignalExitStatus(targets.received()) : status;
}
