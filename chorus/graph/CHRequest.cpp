#include "chorus/graph/CHRequest.h"

#include "chorus/core/CHSession.h"
#include "chorus/core/CHSettings.h"

CHRequest::CHRequest(std::shared_ptr<CHSession> session, std::string graphPath,
                     CHUtility::Parameters parameters, std::string HTTPMethod)
    : session_(std::move(session))
    , graphPath_(std::move(graphPath))
    , parameters_(std::move(parameters))
    , HTTPMethod_(std::move(HTTPMethod)) {}

CHRequest CHRequest::requestForMyFriends() {
    return CHRequest(CHSession::activeSession(), "me/friends", {{"fields", "id,name"}});
}

CHRequest CHRequest::requestForPostToMyFeed(const std::string& message,
                                            const std::optional<std::string>& link) {
    CHUtility::Parameters parameters{{"message", message}};
    if (link)
        parameters["link"] = *link;
    return CHRequest(CHSession::activeSession(), "me/feed", std::move(parameters), "POST");
}

net::URLRequest CHRequest::URLRequest() const {
    CHUtility::Parameters parameters = parameters_;
    parameters["format"] = "json";
    parameters["sdk"] = "ios";
    if (session_ && session_->isOpen() && session_->accessTokenData())
        parameters["access_token"] = session_->accessTokenData()->accessToken();
    std::string path = graphPath_;
    while (!path.empty() && path.front() == '/')
        path.erase(path.begin());
    const std::string address =
        CHSettings::serverAddress(std::string(CHSettings::apiVersion) + "/" + path);
    const std::string form = CHUtility::stringBySerializingQueryParameters(parameters);
    const bool post = HTTPMethod_ == "POST";
    net::URLRequest request = net::URLRequest::withURLString(post ? address : address + "?" + form);
    if (post) {
        request.setHTTPMethod("POST");
        request.setHTTPBody(base::Data::fromString(form));
        request.setValueForHTTPHeaderField("application/x-www-form-urlencoded", "Content-Type");
    }
    request.setValueForHTTPHeaderField(CHSettings::userAgent(), "User-Agent");
    request.setCachePolicy(net::URLRequestCachePolicy::ReloadIgnoringLocalCacheData);
    request.setMaximumBodyLength(maximumAnswerLength);
    request.setTimeLimit(net::URLRequest::serviceTimeLimit);
    return request;
}
