#include "connect/reconnect.h"

#include <exception>
#include <iterator>
#include <thread>

#include "common/stop_request.h"

namespace tess {

bool PassUnlessStopped(std::chrono::seconds wait, const StopRequest* stop, const std::function<void()>& meanwhile) {
    for (const auto until = std::chrono::steady_clock::now() + wait; std::chrono::steady_clock::now() < until;) {
        if (stop && stop->requested()) return false;
        if (meanwhile) meanwhile();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

bool ConnectAgain(const std::function<bool(std::chrono::seconds wait, int attempt, int attempts)>& pass,
                  const std::function<void()>& connect, std::string& why) {
    const int attempts = static_cast<int>(std::size(kReconnectWaits));
    for (int i = 0; i < attempts; ++i) {
        if (!pass(kReconnectWaits[i], i + 1, attempts)) return false;
        try {
            connect();
            return true;
        } catch (const std::exception& e) {
            why = e.what();
        }
    }
    return false;
}

}  // namespace tess
