#pragma once

#include "ads/webview/VDAMSGHandler.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class VDAdView;

// A creative's request to download something ahead of need, on the "amsg" bus:
//   "precache" ("u" the http or https URL, "n" the file name, optional).
// The file goes into the ads client's temporary directory, "VeDivTemp"
// (VDDevice::temporaryPathWithCreation), and nowhere else: the name must be one plain file
// name (no "/" or "\", not "." or "..", no NUL, at most 255 bytes); without "n" it is the MD5
// of the URL in hex. A message with another name, or without a usable URL, downloads nothing.
// Only a 2xx answer is written; an earlier file of that name is replaced whole.
//
// When the download has ended, the creative hears "onPrecacheComplete" with "name" and
// "success" ("1" or "0") through the ad view's page notifications; a refused message is
// answered the same way with "success" "0" when it had a name. The ad view is held weakly.
// Main thread only.
class VDPrecacheAMSGHandler : public VDAMSGHandler,
                              public std::enable_shared_from_this<VDPrecacheAMSGHandler> {
public:
    static constexpr const char* precacheMessage = "precache";
    static constexpr const char* completeNotification = "onPrecacheComplete";

    explicit VDPrecacheAMSGHandler(std::weak_ptr<VDAdView> adView)
        : adView_(std::move(adView)) {}

    const ActionBlockDictionary& actionBlockDictionary() const override;

    void didReceivePrecacheNotification(const VDNotification& note);

    // The file name the message may write, or nullopt when it is no plain file name.
    static std::optional<std::string> safeFileName(std::string_view name);
    // Where a file of that name goes: inside the temporary directory.
    static std::filesystem::path precachePathForFileName(const std::string& name);

private:
    void tellCreative(const std::string& name, bool success);

    std::weak_ptr<VDAdView> adView_;
};
