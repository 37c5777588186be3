#include "chorus/graph/CHRequestConnection.h"

#include "chorus/core/CHError.h"
#include "platform/base/JSON.h"
#include "platform/base/RunLoop.h"
#include "platform/net/URLConnection.h"

std::shared_ptr<CHRequestConnection> CHRequestConnection::create() {
    base::assertMainThread();
    return std::make_shared<CHRequestConnection>(Private{});
}

void CHRequestConnection::addRequestCompletionHandler(CHRequest request, Handler handler) {
    base::assertMainThread();
    if (!started_)
        entries_.push_back(Entry{std::move(request), std::move(handler), nullptr});
}

// Gathers one request's answer for the connection.
class CHRequestConnection::Loader : public net::URLConnectionDelegate {
public:
    Loader(std::weak_ptr<CHRequestConnection> owner, std::size_t index)
        : owner_(std::move(owner))
        , index_(index) {}

    void connectionDidReceiveResponse(const std::shared_ptr<net::URLConnection>&,
                                      const net::HTTPURLResponse& response) override {
        statusCode_ = response.statusCode();
        body_ = base::Data();
    }
    void connectionDidReceiveData(const std::shared_ptr<net::URLConnection>&,
                                  const base::Data& data) override {
        body_.append(data);
    }
    void connectionDidFinishLoading(const std::shared_ptr<net::URLConnection>&) override {
        if (auto owner = owner_.lock())
            owner->answered(index_, statusCode_, body_, std::nullopt);
    }
    void connectionDidFailWithError(const std::shared_ptr<net::URLConnection>&,
                                    const base::Error& error) override {
        if (auto owner = owner_.lock())
            owner->answered(index_, 0, {}, error);
    }

private:
    std::weak_ptr<CHRequestConnection> owner_;
    std::size_t index_;
    int statusCode_ = 0;
    base::Data body_;
};

void CHRequestConnection::start() {
    base::assertMainThread();
    if (started_ || cancelled_)
        return;
    started_ = true;
    if (entries_.empty())
        return;
    self_ = shared_from_this();
    waiting_ = entries_.size();
    for (std::size_t index = 0; index < entries_.size(); ++index)
        entries_[index].connection =
            net::URLConnection::create(entries_[index].request.URLRequest(),
                                       std::make_shared<Loader>(weak_from_this(), index));
}

void CHRequestConnection::answered(std::size_t index, int statusCode, const base::Data& body,
                                   const std::optional<base::Error>& failure) {
    if (cancelled_ || index >= entries_.size())
        return;
    // Held for the handler's time: the handler may let the connection go.
    auto self = shared_from_this();
    entries_[index].connection.reset();
    auto handler = std::exchange(entries_[index].handler, nullptr);
    const auto transportFailure = [&failure] {
        // The transport's reason (a time-out, an answer too large) stays readable underneath.
        auto error = CHError::make(CHError::RequestFailed,
                                   "The request failed: " + failure->localizedDescription());
        error.setUnderlyingError(*failure);
        return error;
    };
    base::Result<base::Value> result = failure ? base::Result<base::Value>(transportFailure())
                                               : resultOfResponse(statusCode, body);
    if (handler) {
        if (result)
            handler(*this, *result, std::nullopt);
        else
            handler(*this, base::Value(), result.error());
    }
    if (--waiting_ == 0)
        self_.reset();
}

void CHRequestConnection::cancel() {
    base::assertMainThread();
    cancelled_ = true;
    for (auto& entry : entries_)
        if (entry.connection)
            entry.connection->cancel();
    entries_.clear();
    self_.reset();
}

base::Result<base::Value> CHRequestConnection::resultOfResponse(int statusCode,
                                                                const base::Data& body) {
    base::Value::Dictionary details;
    details[CHError::HTTPStatusCodeKey] = base::Value(statusCode);
    auto parsed = base::parseJSON(body);
    if (parsed) {
        if ((*parsed)["error"].isDictionary()) {
            const base::Value& message = (*parsed)["error"]["message"];
            const base::Value& code = (*parsed)["error"]["code"];
            if (message.string())
                details[CHError::serverErrorMessageKey] = message;
            if (code.isNumber() || code.string())
                details[CHError::serverErrorCodeKey] = code;
            return CHError::make(CHError::ServerError,
                                 message.string()
                                     ? "The server refused the request: " + *message.string()
                                     : "The server refused the request.",
                                 std::move(details));
        }
    }
    if (statusCode < 200 || statusCode > 299)
        return CHError::make(CHError::RequestFailed,
                             "The server answered with HTTP status " + std::to_string(statusCode) +
                                 ".",
                             std::move(details));
    if (!parsed)
        return CHError::make(CHError::RequestFailed,
                             "The server's answer is not JSON: " +
                                 parsed.error().localizedDescription(),
                             std::move(details));
    return std::move(parsed).value();
}
