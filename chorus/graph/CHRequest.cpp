#include "chorus/graph/CHRequest.h"

#include "chorus/core/CHSession.h"
#include "chorus/core/CHSettings.h"

CHRequest::CHRequest(std::shared_ptr<CHSession> session, std::string graphPath,
                     CHUtility::Parameters parameters)
    : session_(std::move(session))
    , graphPath_(std::move(graphPath))
    , parameters_(std::move(parameters)) {}

CHRequest CHRequest::requestForMyFriends() {
    return CHRequest(CHSession::activeSession(), "me/friends", {{"fields", "id,name"}});
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
    net::URLRequest request = net::URLRequest::withURLString(
        CHSettings::serverAddress(std::string(CHSettings::apiVersion) + "/" + path) + "?" +
        CHUtility::stringBySerializingQueryParameters(parameters));
    request.setValueForHTTPHeaderField(CHSettings::userAgent(), "User-Agent");
    request.setCachePolicy(net::URLRequestCachePolicy::ReloadIgnoringLocalCacheData);
    request.setMaximumBodyLength(maximumAnswerLength);
    request.setTimeLimit(net::URLRequest::serviceTimeLimit);
    return request;
}
