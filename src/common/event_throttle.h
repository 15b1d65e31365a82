#pragma once
// The handlers ask for pending events per row and per column; processing them that often would cost
// more than the copy. The gate lets a call through when the last one that went through is a few
// milliseconds old, so events still run well within every 50 ms while the pump costs little.
#include <chrono>
#include <functional>

namespace tess {

class EventThrottle {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    static constexpr std::chrono::milliseconds kInterval{10};

    explicit EventThrottle(Clock clock = [] { return std::chrono::steady_clock::now(); }) : clock_(std::move(clock)) {}

    // True when events should be processed now.
    bool due() {
        const auto now = clock_();
        if (now - last_ < kInterval) return false;
        last_ = now;
        return true;
    }

private:
    Clock clock_;
    std::chrono::steady_clock::time_point last_{};
};

}  // namespace tess
