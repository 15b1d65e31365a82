// The signal watch in a child process of its own: the first signal asks the work to stop, and a
// second ends the process at once even when the work never stops.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/signal_watch.h"

namespace tess {
namespace {

// Waits for the child to end, at most `limit`; -1 when it did not.
int ExitStatusWithin(pid_t child, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (waitpid(child, &status, WNOHANG) == child) return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
}

TEST(SignalWatch, TheSecondSignalEndsAtOnceWhateverTheWorkDoes) {
    for (int second : {SIGINT, SIGTERM}) {
        int told[2];
        ASSERT_EQ(pipe(told), 0);
        const pid_t child = fork();
        if (child == 0) {
            close(told[0]);
            // Work that never stops: the first signal is only reported through the pipe.
            SignalWatch watch([&](int signal) {
                const char c = static_cast<char>(signal);
                (void)!write(told[1], &c, 1);
            });
            const char ready = 0;
            (void)!write(told[1], &ready, 1);
            for (;;) pause();
        }
        close(told[1]);
        char c = -1;
        ASSERT_EQ(read(told[0], &c, 1), 1);  // the watch is in place
        kill(child, SIGTERM);
        ASSERT_EQ(read(told[0], &c, 1), 1);  // the first signal reached the work
        EXPECT_EQ(c, SIGTERM);
        kill(child, second);
        const int status = ExitStatusWithin(child, std::chrono::seconds(10));
        if (status == -1) kill(child, SIGKILL), waitpid(child, nullptr, 0);
        EXPECT_EQ(status, SignalExitStatus(second));
        close(told[0]);
    }
}

}  // namespace
}  // namespace tess
