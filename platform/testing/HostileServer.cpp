#include "platform/testing/HostileServer.h"

namespace testing_support {

using namespace std::chrono_literals;

HostileServer::HostileServer(std::size_t bombLength, std::string bombType)
    : bomb_(bombLength)
    , bombType_(std::move(bombType)) {
    auto bomb = [this](const httplib::Request&, httplib::Response& response) {
        ++bombRequests_;
        response.set_header("Content-Encoding", bomb_.layersHeader());
        response.set_content(bomb_.body(), bombType_);
    };
    auto drip = [this](const httplib::Request&, httplib::Response& response) {
        ++dripRequests_;
        // Not a type the server compresses, so that each byte goes out as it is written.
        response.set_chunked_content_provider("application/octet-stream",
                                              [this](std::size_t offset, httplib::DataSink& sink) {
                                                  if (offset > 0 && server_.waitForRelease(1s))
                                                      return false;
                                                  return sink.write("d", 1);
                                              });
    };
    auto& http = server_.server();
    http.Get(".*/bomb", bomb);
    http.Post(".*/bomb", bomb);
    http.Get("/.*", drip);
    http.Post("/.*", drip);
    server_.start();
}

HostileServer::~HostileServer() {
    server_.stop();
}

} // namespace testing_support
