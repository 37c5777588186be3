#pragma once

#include "platform/base/Data.h"
#include "platform/net/HTTPURLResponse.h"
#include "platform/net/ResponseHeaderParser.h"
#include "platform/net/URLRequest.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>

typedef void CURL;
struct curl_slist;

namespace net {

// One request/response exchange over libcurl, without following redirects: the easy handle,
// what it sends and what it has read so far. Its callbacks run inside libcurl (CurlMulti, on
// the main thread), where it only keeps what it would report; deliver() hands that to the sink
// once libcurl has returned, in order:
// - Response: the final response's metadata, before its body;
// - Data: body bytes (any number of times);
// - Redirect: a 3xx answer with a Location, reported whole (response and body) once it has
//   been read, so that the loader can follow it or hand it out as the final answer;
// - Finished or Failed (with a URLErrorDomain code): exactly one, last.
class CurlTransfer {
    struct Private {};

public:
    struct Event {
        enum class Kind { Response, Data, Redirect, Finished, Failed };
        Kind kind;
        HTTPURLResponse response; // Response, Redirect
        base::Data data;          // Data, Redirect (the 3xx body)
        long errorCode = 0;       // Failed

        static Event makeResponse(HTTPURLResponse response) {
            return {Kind::Response, std::move(response), {}, 0};
        }
        static Event makeData(base::Data data) { return {Kind::Data, {}, std::move(data), 0}; }
        static Event makeRedirect(HTTPURLResponse response, base::Data body) {
            return {Kind::Redirect, std::move(response), std::move(body), 0};
        }
        static Event makeFinished() { return {Kind::Finished, {}, {}, 0}; }
        static Event makeFailed(long code) { return {Kind::Failed, {}, {}, code}; }
    };
    using Sink = std::function<void(Event)>;

    // Prepares the exchange for the request (whose URL must be set); `cookieHeader` is sent as
    // "Cookie" unless the request has one itself.
    static std::shared_ptr<CurlTransfer> create(const URLRequest& request,
                                                std::optional<std::string> cookieHeader, Sink sink);

    CurlTransfer(Private, const URLRequest& request, Sink sink);
    ~CurlTransfer();
    CurlTransfer(const CurlTransfer&) = delete;
    CurlTransfer& operator=(const CurlTransfer&) = delete;

    CURL* handle() const { return handle_; }

    // CurlMulti's side.
    void markActive(); // progress: the idle time-out starts again
    bool idleTimeExpired(std::chrono::steady_clock::time_point now) const;
    std::chrono::steady_clock::time_point idleDeadline() const;
    void complete(int curlCode); // the handle is done (CURLcode)
    void failTimedOut();
    bool hasPending() const { return !pending_.empty(); }
    // Hands what is kept to the sink, oldest first, until none is left or the transfer is
    // abandoned (the sink may abandon it). Never inside libcurl.
    void deliver();
    // The transfer stops reporting, drops what it kept and aborts at its next callback.
    void abandon();
    bool isAbandoned() const { return abandoned_; }

private:
    struct Callbacks; // libcurl's entry points, in the .cpp
    friend struct Callbacks;

    void configure(const URLRequest& request, std::optional<std::string> cookieHeader);
    void headerLine(std::string_view line);
    // False when the transfer must stop (the body outgrew the request's maximum).
    bool body(const char* bytes, std::size_t size);
    void headersComplete();
    HTTPURLResponse response() const;
    void ensureResponse(); // for responses without header lines (file URLs)
    void emit(Event event);

    CURL* handle_ = nullptr;
    curl_slist* headerList_ = nullptr;
    base::Data requestBody_;
    Sink sink_;
    std::deque<Event> pending_;
    bool abandoned_ = false;
    bool reported_ = false; // Finished or Failed sent

    std::optional<base::URL> url_;
    bool isFile_ = false;
    std::chrono::steady_clock::duration timeout_;
    std::chrono::steady_clock::time_point lastActivity_;
    long long lastDownloaded_ = 0;
    long long lastUploaded_ = 0;

    // The head of the response being read.
    ResponseHeaderParser head_;
    bool responseSent_ = false;
    bool isRedirect_ = false;
    base::Data redirectBody_;
    std::optional<std::uint64_t> maximumBodyLength_;
    std::uint64_t bodyLength_ = 0; // decoded bytes of the final response so far
};

} // namespace net
