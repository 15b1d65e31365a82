#pragma once
// A link between a client and a server on this machine that holds every chunk a set time each way
// before passing it on, as a network between two machines does: a round trip costs twice the delay
// while the bytes flow as fast as ever. It counts the round trips: each time the client speaks
// again after the server answered. Listens on 127.0.0.1 only; stops when the object goes.
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace tess {

class DelayedLink {
public:
    // Port 0 takes any free port. Throws when it cannot listen.
    DelayedLink(int targetPort, std::chrono::microseconds delay, int port = 0);
    ~DelayedLink();
    DelayedLink(const DelayedLink&) = delete;
    DelayedLink& operator=(const DelayedLink&) = delete;

    int port() const { return port_; }
    long long roundTrips() const { return roundTrips_; }
    long long bytes() const { return bytes_; }

private:
    struct Pair;
    void accept();
    void pump(int from, int to, bool fromClient, const std::shared_ptr<Pair>& pair);

    int targetPort_;
    std::chrono::microseconds delay_;
    int port_ = 0;
    int listener_ = -1;
    std::atomic<bool> stop_{false};
    std::atomic<long long> roundTrips_{0}, bytes_{0};
    std::mutex mutex_;
    std::vector<std::shared_ptr<Pair>> pairs_;
    std::vector<std::thread> threads_;
    std::thread acceptor_;
};

}  // namespace tess
