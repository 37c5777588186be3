#pragma once

#include "chorus/graph/CHRequest.h"
#include "platform/base/Data.h"
#include "platform/base/Error.h"
#include "platform/base/Result.h"
#include "platform/base/Value.h"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace net {
class URLConnection;
}

// Sends requests to the server and hands each answer, parsed, to its handler on the main run
// loop: the JSON result, or an error of domain "com.chorus.sdk". Each request goes out on its
// own. The connection keeps itself alive until every handler has run, or until cancel(),
// which stops the loads still under way; then no handler runs. Main thread only.
class CHRequestConnection : public std::enable_shared_from_this<CHRequestConnection> {
    struct Private {};

public:
    using Handler = std::function<void(CHRequestConnection& connection, const base::Value& result,
                                       const std::optional<base::Error>& error)>;

    static std::shared_ptr<CHRequestConnection> create();
    explicit CHRequestConnection(Private) {}

    // Requests added after start() are not sent.
    void addRequestCompletionHandler(CHRequest request, Handler handler);
    void start();
    void cancel();

    // What an answer means: a 2xx status with a JSON object or array is the result; an object
    // with an "error" object is the server's error whatever the status; anything else is a
    // failed request.
    static base::Result<base::Value> resultOfResponse(int statusCode, const base::Data& body);

private:
    class Loader;
    struct Entry {
        CHRequest request;
        Handler handler;
        std::shared_ptr<net::URLConnection> connection;
    };

    void answered(std::size_t index, int statusCode, const base::Data& body,
                  const std::optional<base::Error>& failure);

    std::vector<Entry> entries_;
    std::shared_ptr<CHRequestConnection> self_; // while answers are awaited
    std::size_t waiting_ = 0;
    bool started_ = false;
    bool cancelled_ = false;
};
