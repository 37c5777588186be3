#pragma once

#include "platform/ui/Geometry.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ui {

// The platform's interface idioms, with their values.
enum class UserInterfaceIdiom { Unspecified = -1, Phone = 0, Pad = 1 };

// Posted by setRadioAccessTechnology when the value changes, as the telephony service does.
inline constexpr const char* RadioAccessTechnologyDidChangeNotification =
    "CTRadioAccessTechnologyDidChangeNotification";
// Radio technology names, as the telephony service reports them.
inline constexpr const char* RadioAccessTechnologyGPRS = "CTRadioAccessTechnologyGPRS";
inline constexpr const char* RadioAccessTechnologyEdge = "CTRadioAccessTechnologyEdge";
inline constexpr const char* RadioAccessTechnologyWCDMA = "CTRadioAccessTechnologyWCDMA";
inline constexpr const char* RadioAccessTechnologyHSDPA = "CTRadioAccessTechnologyHSDPA";
inline constexpr const char* RadioAccessTechnologyLTE = "CTRadioAccessTechnologyLTE";

// Audio output port names, as the audio session reports them.
inline constexpr const char* AudioSessionPortBuiltInSpeaker = "Speaker";
inline constexpr const char* AudioSessionPortHeadphones = "Headphones";
inline constexpr const char* AudioSessionPortBluetoothA2DP = "BluetoothA2DPOutput";
inline constexpr const char* AudioSessionPortLineOut = "LineOut";

// The device the program pretends to be: a phone or a pad, chosen at launch. Besides what
// the platform's device object answers it holds the facts a Linux machine does not have
// (carrier, radio, advertising identifier, audio route, payments), with fixed values that
// tests and the program can set.
class Device {
public:
    explicit Device(UserInterfaceIdiom idiom = UserInterfaceIdiom::Phone, bool tallPhone = false);

    // The process's device; a phone unless one was installed.
    static Device& current();
    // Installs a device for the whole process and returns the one it replaces; nullptr goes
    // back to a default phone. Screen::mainScreen() follows.
    static std::shared_ptr<Device> install(std::shared_ptr<Device> device);

    UserInterfaceIdiom userInterfaceIdiom() const { return idiom_; }
    // "iPhone" or "iPad" (set with setModel to pretend otherwise).
    const std::string& model() const { return model_; }
    void setModel(std::string model) { model_ = std::move(model); }
    const std::string& localizedModel() const { return model_; }
    // The machine's host name.
    const std::string& name() const { return name_; }
    const std::string& systemName() const { return systemName_; }
    const std::string& systemVersion() const { return systemVersion_; }
    void setSystemVersion(std::string version) { systemVersion_ = std::move(version); }
    // A UUID in upper-case text, fixed for the life of the device object.
    const std::string& identifierForVendor() const { return identifierForVendor_; }

    // Screen: portrait bounds in points and scale.
    const Rect& screenBounds() const { return screenBounds_; }
    double screenScale() const { return screenScale_; }
    void setScreen(Rect bounds, double scale);

    // Telephony: no carrier and no radio by default (a desktop has neither).
    const std::optional<std::string>& carrierName() const { return carrierName_; }
    void setCarrierName(std::optional<std::string> name) { carrierName_ = std::move(name); }
    const std::optional<std::string>& radioAccessTechnology() const { return radio_; }
    // Posts RadioAccessTechnologyDidChangeNotification (object: none) when the value changes.
    void setRadioAccessTechnology(std::optional<std::string> technology);

    // Advertising: a random UUID per device object; tracking is off unless turned on, since
    // the desktop user never agreed to it.
    const std::string& advertisingIdentifier() const { return advertisingIdentifier_; }
    void setAdvertisingIdentifier(std::string id) { advertisingIdentifier_ = std::move(id); }
    bool isAdvertisingTrackingEnabled() const { return trackingEnabled_; }
    void setAdvertisingTrackingEnabled(bool on) { trackingEnabled_ = on; }

    // Audio: the port names of the current route's outputs; the built-in speaker by default.
    const std::vector<std::string>& audioRouteOutputs() const { return audioOutputs_; }
    void setAudioRouteOutputs(std::vector<std::string> ports) { audioOutputs_ = std::move(ports); }

    // Whether in-app payments may be made.
    bool canMakePayments() const { return canMakePayments_; }
    void setCanMakePayments(bool on) { canMakePayments_ = on; }

private:
    UserInterfaceIdiom idiom_;
    std::string model_;
    std::string name_;
    std::string systemName_ = "iPhone OS";
    std::string systemVersion_ = "7.1";
    std::string identifierForVendor_;
    Rect screenBounds_;
    double screenScale_ = 2.0;
    std::optional<std::string> carrierName_;
    std::optional<std::string> radio_;
    std::string advertisingIdentifier_;
    bool trackingEnabled_ = false;
    std::vector<std::string> audioOutputs_{AudioSessionPortBuiltInSpeaker};
    bool canMakePayments_ = true;
};

} // namespace ui
