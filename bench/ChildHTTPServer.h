#pragma once

// For the benchmark programs: a loopback HTTP server in a child process of its own, so that
// the benchmark's CPU time is the client's alone and the server's threads do not compete with
// the client inside one process. Start it first thing in main(), before any thread exists:
// the child is a copy of the process. It ends with the object, or with its parent.

#include "platform/net/TestHTTPServer.h"

#include <csignal>
#include <functional>
#include <httplib.h>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

class ChildHTTPServer {
public:
    // `routes` registers the handlers on the child's server. started() says whether it runs.
    explicit ChildHTTPServer(const std::function<void(httplib::Server&)>& routes) {
        int toParent[2];
        if (pipe(toParent) != 0)
            return;
        child_ = fork();
        if (child_ == 0)
            serve(routes, toParent);
        close(toParent[1]);
        if (child_ > 0 && read(toParent[0], &port_, sizeof port_) != sizeof port_)
            port_ = 0;
        close(toParent[0]);
    }
    ~ChildHTTPServer() {
        if (child_ > 0) {
            kill(child_, SIGTERM);
            waitpid(child_, nullptr, 0);
        }
    }
    ChildHTTPServer(const ChildHTTPServer&) = delete;
    ChildHTTPServer& operator=(const ChildHTTPServer&) = delete;

    bool started() const { return child_ > 0 && port_ > 0; }
    std::string url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }

private:
    [[noreturn]] static void serve(const std::function<void(httplib::Server&)>& routes,
                                   int toParent[2]) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        close(toParent[0]);
        // The server writes a response's head and body in two sends: with Nagle's algorithm the
        // body of a small response waits for the client's delayed acknowledgement of the head,
        // 40 ms now and then on either side of a comparison, which says nothing of the client.
        net::TestHTTPServer http([](httplib::Server& server) { server.set_tcp_nodelay(true); });
        // Clients keep their connections for many requests.
        http.server().set_keep_alive_max_count(CPPHTTPLIB_KEEPALIVE_MAX_COUNT);
        routes(http.server());
        http.start();
        int port = http.port();
        if (write(toParent[1], &port, sizeof port) != sizeof port)
            _exit(1);
        close(toParent[1]);
        for (;;)
            pause();
    }

    pid_t child_ = -1;
    int port_ = 0;
};
