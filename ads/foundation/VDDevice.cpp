#include "ads/foundation/VDDevice.h"

#include "ads/foundation/VDApplication.h"
#include "ads/foundation/VDGeometry.h"
#include "ads/foundation/VDMD5.h"
#include "ads/foundation/VDMainThread.h"
#include "ads/foundation/VDNumberStrings.h"
#include "ads/foundation/VDOSVersion.h"
#include "platform/base/AppHome.h"
#include "platform/base/Bundle.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/RunLoop.h"
#include "platform/base/Strings.h"
#include "platform/base/URL.h"
#include "platform/base/UserDefaults.h"
#include "platform/ui/Device.h"
#include "platform/ui/Screen.h"
#include "platform/ui/WebView.h"

#include <sys/utsname.h>
#include <system_error>
#include <utility>

namespace {

constexpr const char* booksURL = "itms-books://";
constexpr const char* kindleURL = "kindle://home";

base::ProcessWide<VDDevice>& processDevice() {
    static base::ProcessWide<VDDevice> device(&VDDevice::makeOnMainThread);
    return device;
}

bool isLandscape(ui::InterfaceOrientation orientation) {
    return orientation == ui::InterfaceOrientation::LandscapeRight ||
           orientation == ui::InterfaceOrientation::LandscapeLeft;
}

ui::Rect exchanged(const ui::Rect& rect) {
    return ui::Rect(rect.origin.x, rect.origin.y, rect.height(), rect.width());
}

unsigned audioRouteOf(const std::vector<std::string>& outputs) {
    if (outputs.empty())
        return VDDevice::AudioRouteNoOutput;
    if (outputs.size() == 1) {
        if (outputs.front() == ui::AudioSessionPortBuiltInSpeaker)
            return VDDevice::AudioRouteBuiltInSpeaker;
        if (outputs.front() == ui::AudioSessionPortHeadphones)
            return VDDevice::AudioRouteHeadphones;
    }
    return VDDevice::AudioRouteOther;
}

// What the request needs of the device object that lives on the main thread.
struct MainThreadFacts {
    std::vector<std::string> audioOutputs;
    bool canMakePayments = true;
};

MainThreadFacts mainThreadFacts() {
    MainThreadFacts facts;
    VDRunSyncOnMainThread([&] {
        const auto& device = ui::Device::current();
        facts.audioOutputs = device.audioRouteOutputs();
        facts.canMakePayments = device.canMakePayments();
    });
    return facts;
}

} // namespace

std::shared_ptr<VDDevice> VDDevice::sharedInstance() {
    if (auto device = processDevice().current())
        return device;
    if (!base::isMainThread()) {
        // Only the main thread makes the device, so every thread gets the facts taken there.
        std::shared_ptr<VDDevice> device;
        VDRunSyncOnMainThread([&] { device = processDevice().get(); });
        return device;
    }
    return processDevice().get();
}

std::shared_ptr<VDDevice> VDDevice::makeOnMainThread() {
    auto device = std::make_shared<VDDevice>(Private{});
    device->start();
    return device;
}

VDDevice::VDDevice(Private)
    : lockQueue_(lockQueueLabel) {}

void VDDevice::start() {
    network_ = VDNetwork::create();
    network_->enableNetworkChecking();
    auto& application = ui::Application::shared();
    statusBarOrientation_ = application.statusBarOrientation();
    statusBarOrientationObserver_ = base::NotificationCenter::defaultCenter().addObserver(
        ui::ApplicationDidChangeStatusBarOrientationNotification,
        ui::Application::sharedPointer().get(), std::nullopt,
        [weak = weak_from_this()](const base::Notification&) {
            if (auto device = weak.lock())
                device->statusBarOrientationChanged();
        });

    const auto& device = ui::Device::current();
    deviceModel_ = device.model();
    systemVersion_ = device.systemVersion();
    userInterfaceIdiomIsPhone_ = device.userInterfaceIdiom() == ui::UserInterfaceIdiom::Phone;
    const auto& screen = ui::Screen::mainScreen();
    mainScreenDensity_ = screen.scale();
    mainScreenBounds_ = screen.bounds().standardized();
    updateBookstores();
    enableRadioAccessTechnologyChecking();

    // Emptied now rather than later from the main queue, so that nothing written into it by a
    // user of this device can be thrown away.
    std::error_code ignored;
    std::filesystem::remove_all(temporaryPathWithCreation(false), ignored);
}

VDDevice::~VDDevice() {
    // The writes queued on the lock queue refer to the device without keeping it, and end before
    // it does: so the device goes away on the thread that lets go of it last, never on its queue
    // after the process's end has taken the notification center.
    lockQueue_.sync([] {});
    if (network_)
        network_->disableNetworkChecking();
    disableRadioAccessTechnologyChecking();
    if (statusBarOrientationObserver_)
        base::NotificationCenter::defaultCenter().removeObserver(*statusBarOrientationObserver_);
}

void VDDevice::statusBarOrientationChanged() {
    const auto orientation = ui::Application::shared().statusBarOrientation();
    lockQueue_.async([this, orientation] { statusBarOrientation_ = orientation; });
}

base::Value::Dictionary VDDevice::canOpenURLs(const std::vector<std::string>& URLStrings) const {
    base::Value::Dictionary answers;
    VDRunSyncOnMainThread([&] {
        const auto& application = ui::Application::shared();
        for (const auto& text : URLStrings) {
            auto url = base::URL::parse(text);
            answers[text] = base::Value(url && application.canOpenURL(*url));
        }
    });
    return answers;
}

void VDDevice::updateBookstores() {
    auto answers = canOpenURLs({booksURL, kindleURL});
    std::uint64_t stores = 0;
    if (answers[booksURL].boolValue())
        stores |= bookstoreBooks;
    if (answers[kindleURL].boolValue())
        stores |= bookstoreKindle;
    bookstores_ = stores;
}

void VDDevice::enableRadioAccessTechnologyChecking() {
    if (!isOSAtLeastMajorMinorPatch(7, 0, 0))
        return;
    disableRadioAccessTechnologyChecking();
    setRadioAccessTechnology(ui::Device::current().radioAccessTechnology());
    radioAccessTechnologyChangeObserver_ = base::NotificationCenter::defaultCenter().addObserver(
        ui::RadioAccessTechnologyDidChangeNotification,
        [weak = weak_from_this()](const base::Notification&) {
            if (auto device = weak.lock())
                device->setRadioAccessTechnology(ui::Device::current().radioAccessTechnology());
        });
}

void VDDevice::disableRadioAccessTechnologyChecking() {
    if (!radioAccessTechnologyChangeObserver_)
        return;
    base::NotificationCenter::defaultCenter().removeObserver(*radioAccessTechnologyChangeObserver_);
    radioAccessTechnologyChangeObserver_.reset();
}

std::optional<std::string> VDDevice::radioAccessTechnology() const {
    return lockQueue_.syncResult([this] { return radioAccessTechnology_; });
}

std::optional<std::string> VDDevice::lastKnownRadioAccessTechnology() const {
    return lockQueue_.syncResult([this] { return lastKnownRadioAccessTechnology_; });
}

void VDDevice::setRadioAccessTechnology(std::optional<std::string> technology) {
    lockQueue_.async([this, technology = std::move(technology)] {
        radioAccessTechnology_ = technology;
        if (technology)
            lastKnownRadioAccessTechnology_ = technology;
    });
}

base::Value::Dictionary VDDevice::parameters() {
    base::Value::Dictionary parameters;
    const auto facts = mainThreadFacts();
    if (deviceModel() == "iPad" && userInterfaceIdiomIsPhone_)
        parameters["ios_ipadc"] = base::Value("1");
    parameters["ios_metadata"] = base::Value(VDApplication::sharedInstance()->iTunesMetadata());
    if (auto sdk = baseSDKVersion())
        parameters["ios_base_sdk"] = base::Value(*sdk);
    parameters["app_name"] = base::Value(appName());
    if (isJailbroken())
        parameters["ios_jb"] = base::Value("1");
    parameters["platform"] = base::Value(deviceModel());
    parameters["submodel"] = base::Value(deviceSubmodel());
    if (auto language = locale())
        parameters["hl"] = base::Value(*language);
    parameters["u_audio"] = base::Value(std::to_string(audioRouteOf(facts.audioOutputs)));
    parameters["u_so"] = base::Value(isOrientationLandscape() ? "l" : "p");
    if (auto radio = radioAccessTechnology())
        parameters["ios_radio"] = base::Value(*radio);
    if (auto radio = lastKnownRadioAccessTechnology())
        parameters["ios_radio_last"] = base::Value(*radio);
    parameters["u_sd"] = base::Value(vd_shortStringWithCGFloat(mainScreenDensity()));
    const auto portrait = portraitScreenBounds();
    parameters["u_w"] = base::Value(vd_shortStringWithCGFloat(portrait.width()));
    parameters["u_h"] = base::Value(vd_shortStringWithCGFloat(portrait.height()));
    if (const auto stores = bookstores(); stores != 0) {
        parameters["cap_bs"] = base::Value(static_cast<unsigned long long>(stores));
        // A store removed since shows in a later request.
        base::mainQueue().async([weak = weak_from_this()] {
            if (auto device = weak.lock())
                device->updateBookstores();
        });
    }
    parameters["cap_noiap"] = base::Value(facts.canMakePayments ? "0" : "1");
    return parameters;
}

std::string VDDevice::appName() const {
    const auto& bundle = base::Bundle::main();
    std::string name;
    if (const auto* version = bundle.objectForInfoDictionaryKey(base::Bundle::versionKey).string();
        version && !version->empty())
        name = *version + ".";
    return name + "iphone." + bundle.bundleIdentifier();
}

std::optional<std::string> VDDevice::baseSDKVersion() {
    std::call_once(baseSDKVersionOnce_, [this] {
        const auto& bundle = base::Bundle::main();
        const auto* name = bundle.objectForInfoDictionaryKey("DTSDKName").string();
        if (!name)
            return;
        std::string version = *name;
        if (const auto* platform = bundle.objectForInfoDictionaryKey("DTPlatformName").string();
            platform && !platform->empty())
            version = base::replaceAll(version, *platform, "");
        baseSDKVersion_ = std::move(version);
    });
    return baseSDKVersion_;
}

std::array<std::string, 3> VDDevice::OSVersionInfoComponents() const {
    auto parts = base::split(systemVersion(), ".");
    std::array<std::string, 3> components{"0", "0", "0"};
    for (std::size_t i = 0; i < components.size() && i < parts.size(); ++i)
        components[i] = parts[i];
    return components;
}

bool VDDevice::isOSAtLeastMajorMinorPatch(std::int32_t major, std::int32_t minor,
                                          std::int32_t patch) const {
    return VDOSVersionIsAtLeast(systemVersion(), major, minor, patch);
}

std::string VDDevice::systemVersion() const {
    std::lock_guard guard(propertyLock_);
    return systemVersion_;
}

void VDDevice::setSystemVersion(std::string version) {
    std::lock_guard guard(propertyLock_);
    systemVersion_ = std::move(version);
}

std::string VDDevice::deviceModel() const {
    std::lock_guard guard(propertyLock_);
    return deviceModel_;
}

void VDDevice::setDeviceModel(std::string model) {
    std::lock_guard guard(propertyLock_);
    deviceModel_ = std::move(model);
}

double VDDevice::mainScreenDensity() const {
    std::lock_guard guard(propertyLock_);
    return mainScreenDensity_;
}

void VDDevice::setMainScreenDensity(double scale) {
    std::lock_guard guard(propertyLock_);
    mainScreenDensity_ = scale;
}

std::string VDDevice::deviceIdentifier() {
    std::string identifier;
    VDRunSyncOnMainThread([&] {
        const auto& device = ui::Device::current();
        if (device.isAdvertisingTrackingEnabled())
            identifier = device.advertisingIdentifier();
    });
    return lockQueue_.syncResult([&] {
        if (identifier != cachedAdvertisingID_) {
            cachedMD5AdvertisingID_ =
                identifier.empty() ? std::string() : vd_MD5String(identifier).value_or("");
            cachedAdvertisingID_ = std::move(identifier);
        }
        return cachedMD5AdvertisingID_;
    });
}

std::string VDDevice::deviceSubmodel() {
    std::call_once(deviceSubmodelOnce_, [this] {
        struct utsname names {};
        if (::uname(&names) == 0)
            deviceSubmodel_ = names.machine;
    });
    return deviceSubmodel_;
}

std::optional<std::string> VDDevice::locale() {
    std::call_once(localeOnce_, [this] {
        auto languages =
            base::UserDefaults::standard()->arrayForKey(base::UserDefaults::languagesKey);
        if (!languages || languages->empty())
            return;
        if (const auto* first = languages->front().string())
            locale_ = base::lowercase(*first);
    });
    return locale_;
}

unsigned VDDevice::audioRoute() {
    return audioRouteOf(mainThreadFacts().audioOutputs);
}

bool VDDevice::isOrientationLandscape() const {
    return lockQueue_.syncResult([this] { return isLandscape(statusBarOrientation_); });
}

ui::Rect VDDevice::portraitScreenBounds() const {
    if (isOrientationLandscape() && isOSAtLeastMajorMinorPatch(8, 0, 0))
        return exchanged(mainScreenBounds_);
    return mainScreenBounds_;
}

ui::Rect VDDevice::orientedScreenBounds() const {
    if (isOrientationLandscape() && !isOSAtLeastMajorMinorPatch(8, 0, 0))
        return exchanged(mainScreenBounds_);
    return mainScreenBounds_;
}

ui::Rect VDDevice::orientedApplicationFrame() const {
    ui::Rect frame;
    VDRunSyncOnMainThread([&] { frame = ui::Screen::mainScreen().applicationFrame(); });
    const auto orientation = lockQueue_.syncResult([this] { return statusBarOrientation_; });
    return VDRectForInterfaceOrientation(frame, mainScreenBounds_, orientation);
}

std::string VDDevice::userAgentString() {
    if (auto stored = lockQueue_.syncResult([this] { return userAgentString_; }))
        return *stored;
    std::string agent;
    VDRunSyncOnMainThread([&] {
        auto webView = ui::WebView::create(ui::Rect());
        agent = webView->stringByEvaluatingJavaScriptFromString("navigator.userAgent");
    });
    setUserAgentString(agent);
    return agent;
}

void VDDevice::setUserAgentString(std::string agent) {
    if (agent.empty())
        return;
    lockQueue_.async([this, agent = std::move(agent)] { userAgentString_ = agent; });
}

std::filesystem::path VDDevice::temporaryPathWithCreation(bool create) const {
    auto path = base::AppHome::temporaryDirectory() / temporaryDirectoryName;
    if (create)
        (void)base::createDirectories(path);
    return path;
}
