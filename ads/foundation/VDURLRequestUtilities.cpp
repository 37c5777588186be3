#include "ads/foundation/VDURLRequestUtilities.h"

#include "ads/foundation/VDDevice.h"

std::optional<net::URLRequest>
vd_requestForURLDataHeadersType(const std::optional<base::URL>& url,
                                const std::optional<base::Data>& data,
                                const std::optional<std::map<std::string, std::string>>& headers,
                                const std::optional<std::string>& type) {
    if (!url)
        return std::nullopt;
    net::URLRequest request(*url);
    request.setMaximumBodyLength(vd_maximumResponseLength);
    request.setTimeLimit(net::URLRequest::serviceTimeLimit);
    if (headers) {
        for (const auto& [name, value] : *headers) {
            if (!request.setValueForHTTPHeaderField(value, name))
                return std::nullopt;
        }
    }
    const std::string agent = VDDevice::sharedInstance()->userAgentString();
    if (!agent.empty() && !request.setValueForHTTPHeaderField(agent, "User-Agent"))
        return std::nullopt;
    if (data) {
        request.setHTTPMethod("POST");
        request.setHTTPBody(*data);
        request.setValueForHTTPHeaderField(std::to_string(data->size()), "Content-Length");
        if (type && !request.setValueForHTTPHeaderField(*type, "Content-Type"))
            return std::nullopt;
    }
    return request;
}
