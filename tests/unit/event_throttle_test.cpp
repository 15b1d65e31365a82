#include "common/event_throttle.h"

#include <gtest/gtest.h>

namespace tess {
namespace {

TEST(EventThrottle, LetsOneCallThroughPerInterval) {
    std::chrono::steady_clock::time_point now{std::chrono::seconds(100)};
    EventThrottle throttle([&] { return now; });
    std::vector<bool> through;
    for (int ms : {0, 1, 9, 10, 11, 25, 60}) {
        now = std::chrono::steady_clock::time_point{std::chrono::seconds(100) + std::chrono::milliseconds(ms)};
        through.push_back(throttle.due());
    }
    EXPECT_EQ(through, (std::vector<bool>{true, false, false, true, false, true, true}));
}

}  // namespace
}  // namespace tess
