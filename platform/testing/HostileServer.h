#pragma once

#include "platform/net/TestHTTPServer.h"
#include "platform/testing/GzipBomb.h"

#include <atomic>
#include <cstddef>
#include <string>

namespace testing_support {

// For tests only: a loopback server that misbehaves as hostile servers do. Started when made,
// stopped when it goes.
//   /bomb, and any path ending in "/bomb" (GET or POST): a GzipBomb of `bombLength` decoded bytes,
//   sent as made, with a
//           "Content-Encoding" for each of its layers
//   /drip and every other path (GET or POST): status 200 and one body byte at once, then one
//           byte a second, until the client goes away or the server stops: a transfer that is
//           never idle for long and never ends
class HostileServer {
public:
    explicit HostileServer(std::size_t bombLength,
                           std::string bombType = "application/octet-stream");
    ~HostileServer();
    HostileServer(const HostileServer&) = delete;
    HostileServer& operator=(const HostileServer&) = delete;

    std::string url(const std::string& path) const { return server_.url(path); }
    const GzipBomb& bomb() const { return bomb_; }
    // How many requests the paths have had.
    int bombRequests() const { return bombRequests_; }
    int dripRequests() const { return dripRequests_; }

private:
    GzipBomb bomb_;
    std::string bombType_;
    std::atomic<int> bombRequests_{0};
    std::atomic<int> dripRequests_{0};
    net::TestHTTPServer server_;
};

} // namespace testing_support
