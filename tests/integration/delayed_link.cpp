#include "delayed_link.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <condition_variable>
#include <deque>
#include <stdexcept>

namespace tess {
namespace {

using Clock = std::chrono::steady_clock;

sockaddr_in Loopback(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port));
    return a;
}

void NoDelay(int s) {
    const int one = 1;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

// What one direction holds: chunks and when each may go on; an empty chunk is the end.
struct Queue {
    std::mutex mutex;
    std::condition_variable ready;
    std::deque<std::pair<Clock::time_point, std::vector<char>>> chunks;
    void push(Clock::time_point due, std::vector<char> bytes) {
        std::lock_guard lock(mutex);
        chunks.emplace_back(due, std::move(bytes));
        ready.notify_one();
    }
};

// Passes each chunk on at its time; after the end, or a write that fails, the far side hears no more.
void Deliver(Queue& queue, int to) {
    for (;;) {
        std::unique_lock lock(queue.mutex);
        queue.ready.wait(lock, [&] { return !queue.chunks.empty(); });
        auto [due, bytes] = std::move(queue.chunks.front());
        queue.chunks.pop_front();
        lock.unlock();
        std::this_thread::sleep_until(due);
        size_t sent = 0;
        while (sent < bytes.size()) {
            const ssize_t n = send(to, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) break;
            sent += static_cast<size_t>(n);
        }
        if (bytes.empty() || sent < bytes.size()) {
            shutdown(to, SHUT_WR);
            return;
        }
    }
}

}  // namespace

struct DelayedLink::Pair {
    int client = -1, server = -1;
    std::atomic<bool> clientSpokeLast{false};
    ~Pair() {
        close(client);
        close(server);
    }
};

DelayedLink::DelayedLink(int targetPort, std::chrono::microseconds delay, int port)
    : targetPort_(targetPort), delay_(delay) {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    const int one = 1;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a = Loopback(port);
    socklen_t length = sizeof a;
    if (bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(listener_, 16) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &length) != 0) {
        close(listener_);
        throw std::runtime_error("the delayed link cannot listen on 127.0.0.1");
    }
    port_ = ntohs(a.sin_port);
    acceptor_ = std::thread([this] { accept(); });
}

DelayedLink::~DelayedLink() {
    stop_ = true;
    acceptor_.join();
    {
        std::lock_guard lock(mutex_);
        for (const auto& pair : pairs_) {
            shutdown(pair->client, SHUT_RDWR);
            shutdown(pair->server, SHUT_RDWR);
        }
    }
    for (auto& t : threads_) t.join();
    close(listener_);
}

void DelayedLink::accept() {
    while (!stop_) {
        pollfd p{listener_, POLLIN, 0};
        if (poll(&p, 1, 50) <= 0) continue;
        auto pair = std::make_shared<Pair>();
        pair->client = ::accept(listener_, nullptr, nullptr);
        if (pair->client < 0) continue;
        pair->server = socket(AF_INET, SOCK_STREAM, 0);
        const sockaddr_in target = Loopback(targetPort_);
        if (connect(pair->server, reinterpret_cast<const sockaddr*>(&target), sizeof target) != 0) continue;
        NoDelay(pair->client);
        NoDelay(pair->server);
        std::lock_guard lock(mutex_);
        pairs_.push_back(pair);
        threads_.emplace_back([this, pair] { pump(pair->client, pair->server, true, pair); });
        threads_.emplace_back([this, pair] { pump(pair->server, pair->client, false, pair); });
    }
}

// Reads one direction and hands each chunk on, due after the delay; a chunk from the client after
// the server last spoke begins a round trip.
void DelayedLink::pump(int from, int to, bool fromClient, const std::shared_ptr<Pair>& pair) {
    Queue queue;
    std::thread deliver([&] { Deliver(queue, to); });
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const ssize_t n = recv(from, buffer.data(), buffer.size(), 0);
        if (n <= 0) break;
        if (fromClient && !pair->clientSpokeLast) ++roundTrips_;
        pair->clientSpokeLast = fromClient;
        bytes_ += n;
        queue.push(Clock::now() + delay_, std::vector<char>(buffer.begin(), buffer.begin() + n));
    }
    queue.push(Clock::now() + delay_, {});
    deliver.join();
}

}  // namespace tess
