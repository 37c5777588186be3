#include "platform/ui/Device.h"

#include "platform/base/NotificationCenter.h"
#include "platform/base/ProcessWide.h"

#include <array>
#include <cstdio>
#include <random>
#include <unistd.h>

namespace ui {

namespace {

std::string randomUUID() {
    std::random_device device;
    std::mt19937_64 engine((std::uint64_t(device()) << 32) ^ device());
    std::array<std::uint8_t, 16> bytes;
    for (auto& byte : bytes)
        byte = std::uint8_t(engine());
    bytes[6] = std::uint8_t((bytes[6] & 0x0F) | 0x40); // version 4
    bytes[8] = std::uint8_t((bytes[8] & 0x3F) | 0x80); // variant 1
    std::string text;
    char hex[3];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            text += '-';
        std::snprintf(hex, sizeof hex, "%02X", bytes[i]);
        text += hex;
    }
    return text;
}

std::string hostName() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0 || name[0] == '\0')
        return "localhost";
    return name;
}

base::ProcessWide<Device>& processDevice() {
    static base::ProcessWide<Device> device([] { return std::make_shared<Device>(); });
    return device;
}

} // namespace

Device::Device(UserInterfaceIdiom idiom, bool tallPhone)
    : idiom_(idiom)
    , model_(idiom == UserInterfaceIdiom::Pad ? "iPad" : "iPhone")
    , name_(hostName())
    , identifierForVendor_(randomUUID())
    , advertisingIdentifier_(randomUUID()) {
    if (idiom == UserInterfaceIdiom::Pad)
        screenBounds_ = Rect(0, 0, 768, 1024);
    else
        screenBounds_ = Rect(0, 0, 320, tallPhone ? 568 : 480);
}

Device& Device::current() {
    return *processDevice().get();
}

std::shared_ptr<Device> Device::install(std::shared_ptr<Device> device) {
    return processDevice().install(std::move(device));
}

void Device::setScreen(Rect bounds, double scale) {
    screenBounds_ = bounds.standardized();
    screenScale_ = scale > 0 ? scale : 1.0;
}

void Device::setRadioAccessTechnology(std::optional<std::string> technology) {
    if (technology == radio_)
        return;
    radio_ = std::move(technology);
    base::NotificationCenter::defaultCenter().post(RadioAccessTechnologyDidChangeNotification);
}

} // namespace ui
