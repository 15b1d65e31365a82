// A network between two machines, on this one: a Firebird server of its own, and delayed links to it.
//   link server              starts a private Firebird server; prints its port, then serves until
//                            SIGTERM or SIGINT (SYSDBA's password: cobaltrim)
//   link delay PORT MICROS [LISTEN]
//                            listens on 127.0.0.1 (on LISTEN, else a free port) and passes everything
//                            to PORT and back, each chunk held MICROS microseconds each way; prints its
//                            port, and when told to stop, the round trips and bytes that crossed it.
//                            Stopped and started again on the same port, it is a link cut and restored.
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "delayed_link.h"
#include "firebird_server.h"

namespace {

void WaitForStop() {
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGTERM);
    sigaddset(&stops, SIGINT);
    int signal = 0;
    sigwait(&stops, &signal);
}

void BlockStops() {  // before any thread starts, so that only sigwait takes them
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGTERM);
    sigaddset(&stops, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stops, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    BlockStops();
    if (mode == "server" && argc == 2) {
        tess::FirebirdServer server;
        std::printf("%d\n", server.port());
        std::fflush(stdout);
        WaitForStop();
        return 0;
    }
    if (mode == "delay" && (argc == 4 || argc == 5)) {
        tess::DelayedLink link(std::atoi(argv[2]), std::chrono::microseconds(std::atoll(argv[3])),
                               argc == 5 ? std::atoi(argv[4]) : 0);
        std::printf("%d\n", link.port());
        std::fflush(stdout);
        WaitForStop();
        std::printf("round_trips=%lld bytes=%lld\n", link.roundTrips(), link.bytes());
        return 0;
    }
    std::fprintf(stderr, "usage: link server | link delay PORT MICROSECONDS [LISTEN_PORT]\n");
    return 2;
}
