#pragma once

// For tests only: a loopback server whose slow page proves, at the server, whether a cancelled
// fetch went on reading.

#include "platform/base/RunLoop.h"
#include "platform/net/TestHTTPServer.h"
#include "platform/net/URLConnection.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <string>

// A server for proving that a cancelled fetch delivers nothing. Its "/slow" answer is held until
// the test releases it, then sent piece by piece until the client hangs up; a client still
// reading gets the whole answer (a megabyte) instead. Once `ended`, `cut` tells whether the
// client hung up first: then nothing more can come from that connection.
class StalePageServer {
public:
    static constexpr std::size_t wholePage = 1024 * 1024;

    StalePageServer() {
        server_.server().Get("/slow", [this](const httplib::Request&, httplib::Response& response) {
            requested = true;
            server_.waitForRelease();
            // Not a type the server compresses: each piece goes out as it is written, so the
            // first write after the client hung up fails.
            response.set_chunked_content_provider(
                "application/octet-stream",
                [sent = std::size_t(0)](std::size_t, httplib::DataSink& sink) mutable {
                    const std::string piece(16 * 1024, 'x');
                    if (!sink.write(piece.data(), piece.size()))
                        return false;
                    sent += piece.size();
                    if (sent >= wholePage)
                        sink.done();
                    return true;
                },
                [this](bool whole) {
                    cut = !whole;
                    ended = true;
                });
        });
        server_.server().Get("/fast", [](const httplib::Request&, httplib::Response& response) {
            response.set_content("<title>Fast</title>fast", "text/html");
        });
        server_.start();
    }
    ~StalePageServer() { server_.stop(); }

    std::string url(const std::string& path) const { return server_.url(path); }
    void release() { server_.release(); }

    // Connections are started and stopped in turn: once a fetch begun after a cancel is
    // answered (this one, run on the main loop), the cancelled connection has hung up.
    ::testing::AssertionResult laterFetchAnswered() {
        bool answered = false;
        net::URLConnection::sendAsynchronousRequest(
            net::URLRequest::withURLString(url("/fast")),
            [&](const auto&, const auto&, const auto&) { answered = true; });
        if (!base::RunLoop::main().runUntil([&] { return answered; }, std::chrono::seconds(10)))
            return ::testing::AssertionFailure() << "a later fetch was never answered";
        return ::testing::AssertionSuccess();
    }
    // Releases the page and waits, running the main loop, until the server is done with it.
    ::testing::AssertionResult releaseAndWaitForTheEnd() {
        release();
        if (!base::RunLoop::main().runUntil([&] { return ended.load(); }, std::chrono::seconds(10)))
            return ::testing::AssertionFailure() << "the slow answer was never finished";
        return ::testing::AssertionSuccess();
    }

    std::atomic<bool> requested = false;
    std::atomic<bool> ended = false;
    std::atomic<bool> cut = false;

private:
    net::TestHTTPServer server_;
};
