#include "connect/reconnect.h"

#include <exception>
#include <iterator>

namespace tess {

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
