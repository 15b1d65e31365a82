#include "platform/signal_watch.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <system_error>

namespace tess {
namespace {

// SIGUSR1 only ends the watch when its owner goes.
sigset_t Watched() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);  // a closed terminal or session: a stop like SIGTERM, not a loss
    sigaddset(&set, SIGUSR1);
    return set;
}

}  // namespace

SignalWatch::SignalWatch(std::function<void(int)> onSignal, std::function<void(int)> onLastSignal)
    : onSignal_(std::move(onSignal)), onLastSignal_(std::move(onLastSignal)) {
    const sigset_t set = Watched();
    if (const int error = pthread_sigmask(SIG_BLOCK, &set, nullptr); error != 0)
        throw std::system_error(error, std::generic_category(), "pthread_sigmask");
    thread_ = std::thread([this, set] {
        bool asked = false;
        for (;;) {
            int signal = 0;
            if (sigwait(&set, &signal) != 0 || signal == SIGUSR1) return;
            if (asked) {  // the second: no more waiting
                if (onLastSignal_) onLastSignal_(signal);
                _exit(SignalExitStatus(signal));
            }
            asked = true;
            onSignal_(signal);
        }
    });
}

// A watch that cannot be woken is left to end with the process rather than waited for.
SignalWatch::~SignalWatch() {
    if (pthread_kill(thread_.native_handle(), SIGUSR1) == 0)
        thread_.join();
    else
        thread_.detach();
}

}  // namespace tess
