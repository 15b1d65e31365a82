#include "firebird_server.h"
#include "tds_listener.h"

#include <arpa/inet.h>
#include <firebird/Interface.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

namespace tess {
namespace {

namespace fs = std::filesystem;
constexpr const char* kSystemRoot = "/usr/lib/x86_64-linux-gnu/firebird/3.0";
constexpr const char* kServer = "/usr/sbin/firebird";
constexpr const char* kSecurityTemplate = "/var/lib/firebird/3.0/system/security3.fdb";

bool Accepts(int port) {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port));
    const bool ok = connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    close(s);
    return ok;
}

// The inodes of the sockets listening on 127.0.0.1:port, from the kernel's table of TCP sockets.
std::set<std::string> ListeningSockets(int port) {
    std::ifstream table("/proc/net/tcp");
    std::string line, slot, local, remote, state, skip, inode;
    std::getline(table, line);  // the heading
    std::set<std::string> inodes;
    char wanted[16];
    std::snprintf(wanted, sizeof wanted, "0100007F:%04X", port);
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        fields >> slot >> local >> remote >> state;
        for (int i = 0; i < 5; ++i) fields >> skip;  // queues, timer, retransmits, uid, timeout
        fields >> inode;
        if (local == wanted && state == "0A") inodes.insert("socket:[" + inode + "]");
    }
    return inodes;
}

// Whether the process itself holds the port. Answering on it is not enough: between
// FreeLoopbackPort's choice and this server's bind, another test's server may have taken the port,
// and this server then waits to bind while the other answers for it, with the same password.
bool Listens(pid_t pid, int port) {
    const auto sockets = ListeningSockets(port);
    std::error_code error;
    for (const auto& fd : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error))
        if (sockets.count(fs::read_symlink(fd.path(), error).string())) return true;
    return false;
}

// Runs a program with the private root's environment; returns its pid, or its exit status when
// `wait` is set. Everything is prepared before fork: the test process has threads of its own.
int Run(const std::string& root, std::vector<std::string> args, bool wait, const std::string& input = "") {
    std::vector<std::string> environment = {"FIREBIRD=" + root, "FIREBIRD_LOCK=" + root + "/lock",
                                            "FIREBIRD_TMP=" + root + "/tmp", "PATH=/usr/sbin:/usr/bin:/bin"};
    std::vector<char*> argv, envp;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& e : environment) envp.push_back(e.data());
    envp.push_back(nullptr);
    const std::string log = root + "/" + fs::path(args[0]).filename().string() + ".log";
    const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    const int in = open(input.empty() ? "/dev/null" : input.c_str(), O_RDONLY);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(in, 0);
        dup2(out, 1);
        dup2(out, 2);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    close(out);
    close(in);
    if (!wait) return pid;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

FirebirdServer::FirebirdServer() {
    if (!fs::exists(kServer) || !fs::exists(kSecurityTemplate))
        throw std::runtime_error("Debian's firebird3.0-server is not installed");
    root_ = folder_.file("root");
    fs::create_directories(root_ + "/lock");
    fs::create_directories(root_ + "/tmp");
    for (const char* part : {"plugins", "intl", "lib", "UDF", "firebird.msg"})
        fs::create_symlink(std::string(kSystemRoot) + "/" + part, root_ + "/" + part);
    fs::copy_file("/etc/firebird/3.0/plugins.conf", root_ + "/plugins.conf");
    fs::copy_file(kSecurityTemplate, root_ + "/security3.fdb");
    configure(FreeLoopbackPort());  // before isql too: it names the security database
    std::ofstream(root_ + "/databases.conf") << "security.db = " << root_ << "/security3.fdb\n";
    // SYSDBA's password, set through the embedded engine in the private root's security database.
    std::ofstream(root_ + "/password.sql") << "create or alter user SYSDBA password '" << kPassword << "'; commit;\n";
    if (Run(root_, {"/usr/bin/isql-fb", "-q", "-user", "SYSDBA", root_ + "/security3.fdb"}, true,
            root_ + "/password.sql") != 0) {
        std::ostringstream said;
        said << std::ifstream(root_ + "/isql-fb.log").rdbuf();
        throw std::runtime_error("cannot set SYSDBA's password in the test server's security database: " + said.str());
    }
    for (int attempt = 1; !tryStart(); ++attempt) {
        if (attempt == 5) throw std::runtime_error("the test's Firebird server found no free port");
        configure(FreeLoopbackPort());
    }
}

void FirebirdServer::configure(int port) {
    port_ = port;
    std::ofstream(root_ + "/firebird.conf") << "RemoteBindAddress = 127.0.0.1\n"
                                            << "RemoteServicePort = " << port_ << "\n"
                                            << "ServerMode = Super\nAuthServer = Srp\nUserManager = Srp\n"
                                            << "SecurityDatabase = " << root_ << "/security3.fdb\n";
}

void FirebirdServer::start() {
    if (!tryStart()) throw std::runtime_error("the test's Firebird server did not start on its port");
}

bool FirebirdServer::tryStart() {
    pid_ = Run(root_, {kServer}, false);
    for (int i = 0; i < 200; ++i) {
        if (Listens(pid_, port_)) return true;
        if (Accepts(port_) && !Listens(pid_, port_)) break;  // another process holds the port
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    kill();
    return false;
}

void FirebirdServer::kill() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

FirebirdServer::~FirebirdServer() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGCONT);
    ::kill(pid_, SIGTERM);
    for (int i = 0; i < 100; ++i) {
        if (waitpid(pid_, nullptr, WNOHANG) == pid_) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ::kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
}

std::string FirebirdServer::address(const std::string& path) const {
    return "127.0.0.1/" + std::to_string(port_) + ":" + path;
}

void FirebirdServer::createDatabase(const std::string& path) const {
    using namespace Firebird;
    IMaster* master = fb_get_master_interface();
    ThrowStatusWrapper status(master->getStatus());
    IXpbBuilder* dpb = master->getUtilInterface()->getXpbBuilder(&status, IXpbBuilder::DPB, nullptr, 0);
    dpb->insertString(&status, isc_dpb_user_name, "SYSDBA");
    dpb->insertString(&status, isc_dpb_password, kPassword);
    dpb->insertInt(&status, isc_dpb_sql_dialect, 3);
    IProvider* provider = master->getDispatcher();
    IAttachment* attachment = provider->createDatabase(&status, address(path).c_str(), dpb->getBufferLength(&status),
                                                       dpb->getBuffer(&status));
    attachment->detach(&status);
    dpb->dispose();
    provider->release();
    status.dispose();
}

void FirebirdServer::freeze() { ::kill(pid_, SIGSTOP); }
void FirebirdServer::thaw() { ::kill(pid_, SIGCONT); }

}  // namespace tess
