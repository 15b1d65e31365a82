#pragma once
// SIGINT, SIGTERM and SIGHUP, taken away from every other thread. Made first thing in main, before the
// Firebird engine or any other thread exists: every thread made later inherits the blocked mask, so
// the engine's own handlers never see these signals (they would shut its connections down under a
// running copy). One thread waits for them instead: the first asks the running work to stop, a
// second ends the process at once.
#include <functional>
#include <thread>

namespace tess {

class SignalWatch {
public:
    // `onSignal` runs on the watching thread, with the first signal's number; `onLastSignal`, when
    // given, with the second's, just before the process ends (it must not throw).
    explicit SignalWatch(std::function<void(int)> onSignal, std::function<void(int)> onLastSignal = {});
    ~SignalWatch();
    SignalWatch(const SignalWatch&) = delete;
    SignalWatch& operator=(const SignalWatch&) = delete;

private:
    std::function<void(int)> onSignal_, onLastSignal_;
    std::thread thread_;
};

// The exit status of a process ended by a signal, as shells report it: 130 for SIGINT, 143 for
// SIGTERM, 129 for SIGHUP.
inline int SignalExitStatus(int signal) { return 128 + signal; }

}  // namespace tess
