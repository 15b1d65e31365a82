#include "tds_listener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

#include "common/text_codec.h"

namespace tess {
namespace {

constexpr std::uint8_t kPrelogin = 0x12, kLogin7 = 0x10, kReply = 0x04, kEndOfMessage = 0x01;

// Reads exactly `size` bytes, or fewer when the peer goes or nothing comes for two seconds.
bool ReadExactly(int fd, std::uint8_t* out, size_t size) {
    for (size_t done = 0; done < size;) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 2000) <= 0) return false;
        const ssize_t n = read(fd, out + done, size - done);
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// One message: its packets' payloads joined up to the one marked end of message.
bool ReadMessage(int fd, std::uint8_t& type, std::vector<std::uint8_t>& payload) {
    payload.clear();
    for (;;) {
        std::uint8_t header[8];
        if (!ReadExactly(fd, header, sizeof header)) return false;
        const size_t length = (header[2] << 8) | header[3];
        if (length < 8) return false;
        type = header[0];
        const size_t at = payload.size();
        payload.resize(at + length - 8);
        if (!ReadExactly(fd, payload.data() + at, length - 8)) return false;
        if (header[1] & kEndOfMessage) return true;
    }
}

void SendMessage(int fd, std::uint8_t type, const std::vector<std::uint8_t>& payload) {
    std::vector<std::uint8_t> packet = {type, kEndOfMessage, 0, 0, 0, 0, 1, 0};
    packet.insert(packet.end(), payload.begin(), payload.end());
    packet[2] = static_cast<std::uint8_t>(packet.size() >> 8);
    packet[3] = static_cast<std::uint8_t>(packet.size());
    (void)!write(fd, packet.data(), packet.size());
}

// The pre-login answer: version 11.0 (SQL Server 2012), encryption not supported.
std::vector<std::uint8_t> PreloginAnswer() {
    return {0x00, 0x00, 0x0B, 0x00, 0x06,  // VERSION at 11, 6 bytes
            0x01, 0x00, 0x11, 0x00, 0x01,  // ENCRYPTION at 17, 1 byte
            0xFF,                          // end of options
            0x0B, 0x00, 0x00, 0x00, 0x00, 0x00,
            0x02};                         // ENCRYPT_NOT_SUP
}

void Append16(std::vector<std::uint8_t>& out, size_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

// LOGINACK for the client's own TDS version (written most significant byte first), then DONE.
std::vector<std::uint8_t> LoginAcknowledged(std::uint32_t tdsVersion) {
    const std::u16string program = u"Listener";
    std::vector<std::uint8_t> body = {0x01,  // interface: SQL
                                      static_cast<std::uint8_t>(tdsVersion >> 24), static_cast<std::uint8_t>(tdsVersion >> 16),
                                      static_cast<std::uint8_t>(tdsVersion >> 8), static_cast<std::uint8_t>(tdsVersion),
                                      static_cast<std::uint8_t>(program.size())};
    for (char16_t c : program) Append16(body, c);
    body.insert(body.end(), {11, 0, 0, 0});  // the server's version
    std::vector<std::uint8_t> out = {0xAD};
    Append16(out, body.size());
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

// DONE, final, no rows counted (the row count is 8 bytes from TDS 7.2 on).
std::vector<std::uint8_t> Done() { return {0xFD, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}; }

std::uint16_t Word(const std::vector<std::uint8_t>& p, size_t at) {
    return at + 1 < p.size() ? static_cast<std::uint16_t>(p[at] | (p[at + 1] << 8)) : 0;
}

// A UCS-2 field of the LOGIN7 record: its offset and length in characters stand at `at`.
std::string Field(const std::vector<std::uint8_t>& p, size_t at, bool scrambled = false) {
    const size_t offset = Word(p, at), characters = Word(p, at + 2);
    if (offset + characters * 2 > p.size()) return "<out of range>";
    std::string bytes(p.begin() + static_cast<long>(offset), p.begin() + static_cast<long>(offset + characters * 2));
    if (scrambled) bytes = UnscrambleTdsPassword(bytes);
    std::u16string units(characters, u'\0');
    for (size_t i = 0; i < characters; ++i)
        units[i] = static_cast<char16_t>(static_cast<std::uint8_t>(bytes[2 * i]) |
                                         (static_cast<std::uint8_t>(bytes[2 * i + 1]) << 8));
    return Utf16ToUtf8(units);
}

}  // namespace

std::string TdsRequest::asciiText() const {
    std::string text;
    for (std::uint8_t b : payload)
        if (b != 0) text.push_back(static_cast<char>(b));
    return text;
}

std::string UnscrambleTdsPassword(const std::string& scrambled) {
    std::string out = scrambled;
    for (char& c : out) {
        const auto b = static_cast<std::uint8_t>(static_cast<std::uint8_t>(c) ^ 0xA5);
        c = static_cast<char>(((b & 0x0F) << 4) | (b >> 4));
    }
    return out;
}

int ListenOnLoopback(int port, int& boundPort) {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    const int yes = 1;
    setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(s, 8) != 0) {
        close(s);
        throw std::runtime_error("cannot listen on 127.0.0.1:" + std::to_string(port));
    }
    socklen_t length = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &length);
    boundPort = ntohs(a.sin_port);
    return s;
}

// Hands each connection to `onClient` until the listener's lifetime ends or it is stopped; the
// bound on its life keeps a test that forgets it from hanging.
template <class OnClient>
static void AcceptUntil(int socket, std::chrono::steady_clock::time_point until, const std::atomic<bool>& stop,
                 std::atomic<int>& connections, OnClient&& onClient) {
    while (!stop && std::chrono::steady_clock::now() < until) {
        pollfd p{socket, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) continue;
        const int client = accept(socket, nullptr, nullptr);
        if (client < 0) continue;
        ++connections;
        onClient(client);
    }
}

SilentListener::SilentListener(std::chrono::seconds lifetime) {
    socket_ = ListenOnLoopback(0, port_);
    thread_ = std::thread([this, until = std::chrono::steady_clock::now() + lifetime] {
        AcceptUntil(socket_, until, stop_, connections_, [this](int client) {
            clients_.push_back(client);  // held open, never answered
        });
    });
}

SilentListener::~SilentListener() {
    stop_ = true;
    thread_.join();
    for (int c : clients_) close(c);
    close(socket_);
}

TdsListener::TdsListener(int port, std::chrono::seconds lifetime, bool letIn) : letIn_(letIn) {
    socket_ = ListenOnLoopback(port, port_);
    thread_ = std::thread([this, until = std::chrono::steady_clock::now() + lifetime] { serve(until); });
}

int FreeLoopbackPort() {
    int port = 0;
    close(ListenOnLoopback(0, port));
    return port;
}

TdsListener::~TdsListener() {
    stop_ = true;
    thread_.join();
    close(socket_);
}

std::vector<TdsRequest> TdsListener::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

std::vector<Login7> TdsListener::logins() const {
    std::lock_guard lock(mutex_);
    return logins_;
}

void TdsListener::serve(std::chrono::steady_clock::time_point until) {
    AcceptUntil(socket_, until, stop_, connections_, [this](int client) {
        answer(client);
        close(client);  // unless clients are let in, the login never completes: the driver reports a failure
    });
}

void TdsListener::answer(int client) {
    std::uint8_t type = 0;
    std::vector<std::uint8_t> payload;
    if (!ReadMessage(client, type, payload) || type != kPrelogin) return;
    SendMessage(client, kReply, PreloginAnswer());
    if (!ReadMessage(client, type, payload) || type != kLogin7 || payload.size() < 94) return;
    Login7 login;
    login.tdsVersion = static_cast<std::uint32_t>(payload[4] | (payload[5] << 8) | (payload[6] << 16)) |
                       (static_cast<std::uint32_t>(payload[7]) << 24);
    login.hostName = Field(payload, 36);
    login.userName = Field(payload, 40);
    login.password = Field(payload, 44, true);
    login.appName = Field(payload, 48);
    login.serverName = Field(payload, 52);
    login.database = Field(payload, 68);
    {
        std::lock_guard lock(mutex_);
        logins_.push_back(login);
    }
    if (letIn_) session(client);
}

// Every request is kept and answered "done" until the client goes or falls silent.
void TdsListener::session(int client) {
    std::vector<std::uint8_t> reply = LoginAcknowledged(logins().back().tdsVersion), done = Done();
    reply.insert(reply.end(), done.begin(), done.end());
    SendMessage(client, kReply, reply);
    for (TdsRequest request; !stop_ && ReadMessage(client, request.type, request.payload);) {
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(request);
        }
        SendMessage(client, kReply, done);
    }
}

}  // namespace tess
