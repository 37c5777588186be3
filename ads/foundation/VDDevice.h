#pragma once

#include "ads/foundation/VDNetwork.h"
#include "platform/base/DispatchQueue.h"
#include "platform/base/NotificationCenter.h"
#include "platform/base/Value.h"
#include "platform/ui/Application.h"
#include "platform/ui/Geometry.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// The device facts every source of them answers. VDDevice below is the one the ads client
// uses; the interface lives beside it because nothing else answers it yet.
class VDDeviceSpecifications {
public:
    virtual ~VDDeviceSpecifications() = default;

    virtual bool isJailbroken() = 0;
    virtual std::string systemVersion() const = 0;
    virtual std::string deviceIdentifier() = 0;
    virtual std::string deviceModel() const = 0;
    virtual std::string deviceSubmodel() = 0;
    virtual std::optional<std::string> locale() = 0;
    virtual unsigned audioRoute() = 0;
    virtual bool isOrientationLandscape() const = 0;
    virtual double mainScreenDensity() const = 0;
    virtual ui::Rect portraitScreenBounds() const = 0;
    virtual ui::Rect orientedScreenBounds() const = 0;
    virtual ui::Rect orientedApplicationFrame() const = 0;
};

// The ads client's one source of facts about the device and the host application: system
// version and its comparison, model and machine, language, screen, orientation, audio route,
// radio technology, advertising identifier, the web view's user agent, installed book stores
// and payments. parameters() is the device part of every ad request.
//
// The device is made once, on the main thread, where it takes the screen, model and version
// and empties its temporary directory; a first use from another thread waits for the main
// thread to make it. Facts that live on the main thread (the audio route, payments, the
// advertising identifier, the application frame) are read there, from any thread. Never call
// it from a block running on its lock queue.
class VDDevice final : public VDDeviceSpecifications,
                       public std::enable_shared_from_this<VDDevice> {
    struct Private {};

public:
    static constexpr const char* lockQueueLabel = "viz.azodoz.eziro.device";
    static constexpr const char* temporaryDirectoryName = "VeDivTemp";

    // audioRoute() codes.
    enum AudioRoute : unsigned {
        AudioRouteBuiltInSpeaker = 1,
        AudioRouteHeadphones = 2,
        AudioRouteNoOutput = 3,
        AudioRouteSimulator = 4,
        AudioRouteOther = 5,
    };
    // bookstores() bits.
    static constexpr std::uint64_t bookstoreBooks = 1;  // "itms-books://" can be opened
    static constexpr std::uint64_t bookstoreKindle = 2; // "kindle://home" can be opened

    // Made on the main thread on first use; a process service (platform/base/ProcessWide.h).
    static std::shared_ptr<VDDevice> sharedInstance();
    static std::shared_ptr<VDDevice> makeOnMainThread();

    explicit VDDevice(Private);
    ~VDDevice() override;
    VDDevice(const VDDevice&) = delete;
    VDDevice& operator=(const VDDevice&) = delete;

    // The device's request keys, each present only under its rule: "ios_ipadc", "ios_metadata",
    // "ios_base_sdk", "app_name", "ios_jb", "platform", "submodel", "hl", "u_audio", "u_so",
    // "ios_radio", "ios_radio_last", "u_sd", "u_w", "u_h", "cap_bs" (a number), "cap_noiap".
    // With a book store present it also asks the main queue to look at the book stores again.
    base::Value::Dictionary parameters();

    // The platform SDK the application was built with ("DTSDKName" of the main bundle without
    // "DTPlatformName"), read once; nullopt when the bundle does not say.
    std::optional<std::string> baseSDKVersion();

    // The system version's first three parts, padded with "0".
    std::array<std::string, 3> OSVersionInfoComponents() const;
    bool isOSAtLeastMajorMinorPatch(std::int32_t major, std::int32_t minor,
                                    std::int32_t patch) const;
    // 6.0.0 or later: the oldest system the ads client requests ads on.
    bool OSIsSupported() const { return isOSAtLeastMajorMinorPatch(6, 0, 0); }

    // Whether the application can open each URL, asked on the main thread.
    base::Value::Dictionary canOpenURLs(const std::vector<std::string>& URLStrings) const;
    void updateBookstores();
    std::uint64_t bookstores() const { return bookstores_.load(); }

    // --- VDDeviceSpecifications.
    // A desktop build has no locked-down system to break out of: always false.
    bool isJailbroken() override { return false; }
    std::string systemVersion() const override;
    void setSystemVersion(std::string version);
    // The MD5 (32 lower-case hex digits) of the advertising identifier while advertising
    // tracking is on; the empty string while it is off.
    std::string deviceIdentifier() override;
    std::string deviceModel() const override;
    void setDeviceModel(std::string model);
    // The machine's hardware name (uname), read once.
    std::string deviceSubmodel() override;
    // The first preferred language in lower case, read once; nullopt without one.
    std::optional<std::string> locale() override;
    unsigned audioRoute() override;
    bool isOrientationLandscape() const override;
    double mainScreenDensity() const override;
    void setMainScreenDensity(double scale);
    // The screen bounds taken at creation, turned to portrait on systems from 8.0 on (whose
    // screen coordinates turn with the interface).
    ui::Rect portraitScreenBounds() const override;
    // The same bounds turned to the interface on systems below 8.0.
    ui::Rect orientedScreenBounds() const override;
    ui::Rect orientedApplicationFrame() const override;

    std::optional<std::string> radioAccessTechnology() const;
    // The last radio technology seen that was not none.
    std::optional<std::string> lastKnownRadioAccessTechnology() const;
    void setRadioAccessTechnology(std::optional<std::string> technology);
    void enableRadioAccessTechnologyChecking();
    void disableRadioAccessTechnologyChecking();

    // The web view's user agent, asked of a web view once; an empty answer is asked again next
    // time.
    std::string userAgentString();
    // Kept unless empty.
    void setUserAgentString(std::string agent);

    // Stores the application's status-bar orientation, read on the calling thread.
    void statusBarOrientationChanged();

    bool userInterfaceIdiomIsPhone() const { return userInterfaceIdiomIsPhone_; }
    // The kind of network the device is on (the requests' "net" and "net_last"), followed from
    // the device's creation until it goes away.
    const std::shared_ptr<VDNetwork>& network() const { return network_; }
    // Builds for the phone simulator only.
    bool isSimulator() const { return false; }

    // "VeDivTemp" in the temporary folder, created (with its parents) when asked; emptied when
    // the device is made.
    std::filesystem::path temporaryPathWithCreation(bool create) const;

private:
    void start();
    std::string appName() const;

    base::DispatchQueue lockQueue_;
    std::optional<base::NotificationCenter::ObserverToken> radioAccessTechnologyChangeObserver_;
    std::optional<base::NotificationCenter::ObserverToken> statusBarOrientationObserver_;

    // On lockQueue_.
    std::optional<std::string> lastKnownRadioAccessTechnology_;
    std::optional<std::string> radioAccessTechnology_;
    std::optional<std::string> userAgentString_;
    std::string cachedAdvertisingID_;
    std::string cachedMD5AdvertisingID_;
    ui::InterfaceOrientation statusBarOrientation_ = ui::InterfaceOrientation::Portrait;

    // Taken at creation.
    std::shared_ptr<VDNetwork> network_;
    ui::Rect mainScreenBounds_;
    bool userInterfaceIdiomIsPhone_ = true;
    std::atomic<std::uint64_t> bookstores_{0};

    // Guards the three settable facts.
    mutable std::mutex propertyLock_;
    double mainScreenDensity_ = 1;
    std::string deviceModel_;
    std::string systemVersion_;

    // Read once.
    std::once_flag baseSDKVersionOnce_;
    std::optional<std::string> baseSDKVersion_;
    std::once_flag deviceSubmodelOnce_;
    std::string deviceSubmodel_;
    std::once_flag localeOnce_;
    std::optional<std::string> locale_;
};
