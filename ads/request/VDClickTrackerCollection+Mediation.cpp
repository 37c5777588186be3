#include "ads/foundation/VDApplication.h"
#include "ads/foundation/VDKeywordTemplates.h"
#include "ads/foundation/VDURLStrings.h"
#include "ads/request/VDClickTrackerCollection.h"

void VDClickTrackerCollection::
    trackMediationURLsFromTemplatesDefaultTemplateNetworkIDAllocationIDQDataAppKeyRefreshDurationsExitCodes(
        const std::vector<std::string>& templates,
        const std::optional<std::string>& defaultTemplate, const std::string& networkID,
        const std::string& allocationID, const std::string& qData, const std::string& appKey,
        bool refresh, const std::optional<std::string>& durations,
        const std::optional<std::string>& exitCodes) {
    std::vector<std::string> chosen = templates;
    if (chosen.empty() && defaultTemplate)
        chosen.push_back(*defaultTemplate);
    auto application = VDApplication::sharedInstance();
    std::vector<base::URL> urls;
    for (const auto& text : chosen) {
        const std::pair<std::string, std::string> values[] = {
            {"network_id", networkID},
            {"allocation_id", allocationID},
            {"qdata", qData},
            {"app_key", appKey},
            {"refresh", refresh ? "1" : "0"},
            {"durations", durations.value_or("")},
            {"exit_codes", exitCodes.value_or("")},
            {"seq", application->nextSequenceNumberAsString()},
            {"session_id", application->currentSession()->uniqueID()}};
        // Each value escaped as a URL parameter, so that none adds parameters of its own.
        std::vector<std::pair<std::string, std::string>> escaped;
        for (const auto& [keyword, value] : values)
            escaped.emplace_back(keyword, vd_stringByEscapingAsURLParameter(value));
        const std::string expanded = vd_expandAtQuotedTemplate(text, escaped);
        if (auto url = base::URL::parse(expanded))
            urls.push_back(std::move(*url));
    }
    trackURLsCacheEnabled(urls, false);
}
