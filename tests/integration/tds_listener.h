#pragma once
// Just enough of a SQL Server on 127.0.0.1 to see what a real driver sends: it answers the
// pre-login and reads the LOGIN7 record; then it hangs up, or, when it lets clients in, it keeps
// every request that follows and answers each with a bare "done". It serves for a bounded time in a
// thread of its own and stops by itself.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tess {

// One request after the login: its TDS packet type (0x01 a batch of text, 0x03 a remote
// procedure call) and its payload.
struct TdsRequest {
    std::uint8_t type = 0;
    std::vector<std::uint8_t> payload;
    // The payload's UTF-16 text with every zero byte dropped: enough to find ASCII words in it
    // (a statement's text, the declarations of its parameters) whatever their offset.
    std::string asciiText() const;
};

struct Login7 {
    std::uint32_t tdsVersion = 0;  // e.g. 0x730B0003 for TDS 7.3
    std::string hostName, userName, password, appName, serverName, database;
};

class TdsListener {
public:
    // Port 0 takes any free port. Throws when the port cannot be bound.
    explicit TdsListener(int port = 0, std::chrono::seconds lifetime = std::chrono::seconds(30),
                         bool letIn = false);
    ~TdsListener();
    TdsListener(const TdsListener&) = delete;
    TdsListener& operator=(const TdsListener&) = delete;

    int port() const { return port_; }
    int connections() const { return connections_; }
    std::vector<Login7> logins() const;
    std::vector<TdsRequest> requests() const;

private:
    void serve(std::chrono::steady_clock::time_point until);
    void answer(int client);
    void session(int client);

    int socket_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> connections_{0};
    mutable std::mutex mutex_;
    std::vector<Login7> logins_;
    std::vector<TdsRequest> requests_;
    bool letIn_ = false;
    std::thread thread_;
};

// A server that accepts connections and then never says a word, for a bounded time: what a hung
// server or a black-holing firewall looks like to a client.
class SilentListener {
public:
    explicit SilentListener(std::chrono::seconds lifetime = std::chrono::seconds(60));
    ~SilentListener();
    SilentListener(const SilentListener&) = delete;
    SilentListener& operator=(const SilentListener&) = delete;
    int port() const { return port_; }
    int connections() const { return connections_; }

private:
    int socket_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> connections_{0};
    std::vector<int> clients_;
    std::thread thread_;
};

// A loopback port that nothing listens on just now.
int FreeLoopbackPort();

// The password as the LOGIN7 record carries it, made readable: each byte XOR 0xA5, halves swapped.
std::string UnscrambleTdsPassword(const std::string& scrambled);

}  // namespace tess
