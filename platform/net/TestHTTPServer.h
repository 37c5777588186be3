#pragma once

// For tests and benchmarks only (included by *_test.cpp and bench/ files, never by the library):
// an HTTP server on 127.0.0.1 that runs on its own thread for the life of the object.

#include <arpa/inet.h>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <functional>
#include <httplib.h>
#include <mutex>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace net {

// Register handlers on server(), then start(). Handlers that must hold their answer back (a
// slow server) wait in waitForRelease(), which returns once the test calls release() or the
// server goes away, so that no handler outlives the test.
class TestHTTPServer {
public:
    // `configure`, when given, sets the server up before it binds its port (socket options).
    explicit TestHTTPServer(const std::function<void(httplib::Server&)>& configure = {}) {
        // The server writes with plain send(): a client that hangs up mid-answer (a cancelled
        // connection) must fail that write, not stop the whole test process.
        std::signal(SIGPIPE, SIG_IGN);
        // One request per connection: an idle kept-alive connection would hold stop() for the
        // server's keep-alive time-out.
        server_.set_keep_alive_max_count(1);
        if (configure)
            configure(server_);
        port_ = server_.bind_to_any_port("127.0.0.1");
    }
    ~TestHTTPServer() { stop(); }
    TestHTTPServer(const TestHTTPServer&) = delete;
    TestHTTPServer& operator=(const TestHTTPServer&) = delete;

    httplib::Server& server() { return server_; }
    int port() const { return port_; }
    std::string url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }

    void start() {
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        // stop() only reaches a server that has begun listening.
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!server_.is_running() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::yield();
    }
    void stop() {
        release();
        if (thread_.joinable()) {
            server_.stop();
            thread_.join();
        }
    }

    // Blocks a handler until release(); false when the wait ran out first.
    bool waitForRelease(std::chrono::seconds limit = std::chrono::seconds(10)) {
        std::unique_lock lock(mutex_);
        return released_.wait_for(lock, limit, [this] { return isReleased_; });
    }
    void release() {
        {
            std::lock_guard lock(mutex_);
            isReleased_ = true;
        }
        released_.notify_all();
    }

private:
    httplib::Server server_;
    int port_ = -1;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable released_;
    bool isReleased_ = false;
};

// A loopback port that nothing listens on (0 if none could be had): connections to it are
// refused at once, without leaving the machine.
inline int closedLoopbackPort() {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    if (fd >= 0)
        ::close(fd);
    return port;
}

} // namespace net
