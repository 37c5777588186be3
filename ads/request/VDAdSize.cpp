#include "ads/request/VDAdSize.h"

#include "ads/foundation/VDDevice.h"
#include "ads/foundation/VDInternalErrors.h"
#include "platform/base/Log.h"
#include "platform/base/Strings.h"
#include "platform/ui/Device.h"

#include <algorithm>
#include <array>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <utility>

namespace {

constexpr std::array<VDAdSize, 6> standardSizes = {
    kVDAdSizeBanner,     kVDAdSizeLargeBanner, kVDAdSizeMediumRectangle,
    kVDAdSizeFullBanner, kVDAdSizeLeaderboard, kVDAdSizeSkyscraper,
};

// The names VDAdSizeDescription looks up, in its order.
const std::array<std::pair<VDAdSize, const char*>, 11>& namedSizes() {
    static const std::array<std::pair<VDAdSize, const char*>, 11> names = {{
        {kVDAdSizeBanner, "kVDAdSizeBanner"},
        {kVDAdSizeLargeBanner, "kVDAdSizeLargeBanner"},
        {kVDAdSizeMediumRectangle, "kVDAdSizeMediumRectangle"},
        {kVDAdSizeFullBanner, "kVDAdSizeFullBanner"},
        {kVDAdSizeLeaderboard, "kVDAdSizeLeaderboard"},
        {kVDAdSizeSkyscraper, "kVDAdSizeSkyscraper"},
        {kVDAdSizeSmartBannerSkinnyPortrait, "kVDAdSizeSmartBannerSkinnyPortrait"},
        {kVDAdSizeSmartBannerSkinnyLandscape, "kVDAdSizeSmartBannerSkinnyLandscape"},
        {kVDAdSizeSmartBannerPortrait, "kVDAdSizeSmartBannerPortrait"},
        {kVDAdSizeSmartBannerLandscape, "kVDAdSizeSmartBannerLandscape"},
        {kVDAdSizeInvalid, "kVDAdSizeInvalid"},
    }};
    return names;
}

ui::Rect portraitScreenBounds() {
    return VDDevice::sharedInstance()->portraitScreenBounds();
}

// The height of a full-width banner on this device; nullopt on a device that is neither a
// phone nor a pad.
std::optional<double> fullWidthBannerHeight(VDAdSize size) {
    if (VDDevice::sharedInstance()->userInterfaceIdiomIsPhone())
        return (size.flags & kVDAdSizeFlagLandscape) ? 32 : 50;
    // The device object holds whether it is a phone; whether it is a pad is the platform's,
    // fixed at launch.
    if (ui::Device::current().userInterfaceIdiom() == ui::UserInterfaceIdiom::Pad)
        return (size.flags & kVDAdSizeFlagSkinny) ? 66 : 90;
    return std::nullopt;
}

std::string formatted(const char* format, auto... values) {
    char buffer[512];
    int length = std::snprintf(buffer, sizeof buffer, format, values...);
    if (length < 0)
        return {};
    return std::string(buffer, std::min<std::size_t>(std::size_t(length), sizeof buffer - 1));
}

void fail(base::Error* error, std::string description) {
    if (error)
        *error =
            vd_errorWithCodeDescription(VDInternalErrorInvalidArgument, std::move(description));
}

} // namespace

VDAdSize VDAdSizeFromCGSize(ui::Size size) {
    if (size == kVDAdSizeInvalid.size)
        return kVDAdSizeInvalid;
    for (const VDAdSize& standard : standardSizes) {
        if (size == standard.size)
            return standard;
    }
    return VDAdSize{size, kVDAdSizeFlagCustom};
}

bool VDAdSizeIsEqual(VDAdSize a, VDAdSize b) {
    return a == b;
}

bool VDAdSizeIsFullWidth(VDAdSize size) {
    return size.flags & kVDAdSizeFlagFullWidth;
}

bool VDAdSizeIsAutoHeight(VDAdSize size) {
    return size.flags & kVDAdSizeFlagAutoHeight;
}

bool VDAdSizeIsStandard(VDAdSize size) {
    return std::find(standardSizes.begin(), standardSizes.end(), size) != standardSizes.end();
}

ui::Size VDCGSizeFromAdSize(VDAdSize size) {
    if (VDAdSizeIsStandard(size))
        return size.size;
    if (VDAdSizeIsFullWidth(size)) {
        auto height = fullWidthBannerHeight(size);
        if (!height)
            return ui::Size();
        const ui::Rect screen = portraitScreenBounds();
        const double width =
            (size.flags & kVDAdSizeFlagLandscape) ? screen.height() : screen.width();
        if (VDAdSizeIsAutoHeight(size))
            return ui::Size(width, *height);
        if (size.flags & kVDAdSizeFlagCustom)
            return ui::Size(width, size.size.height);
        return ui::Size();
    }
    if (size.flags & kVDAdSizeFlagCustom)
        return size.size;
    return ui::Size();
}

bool VDAdSizeIsValidWithError(VDAdSize size, base::Error* error) {
    if (size.flags & kVDAdSizeFlagCustom)
        return VDCustomAdSizeFitsScreen(error, size.size.width, size.size.height);
    return VDStandardAdSizeIsValid(size, error);
}

bool VDCustomAdSizeFitsScreen(base::Error* error, double width, double height) {
    const ui::Rect screen = portraitScreenBounds();
    const double limit = std::max(screen.width(), screen.height());
    if (std::fabs(width) <= limit && std::fabs(height) <= limit)
        return true;
    fail(error, "Not enough space to show ad with custom size, " +
                    ui::Size(width, height).description() +
                    ". Please use a size the fits the current screen bounds of " +
                    screen.description() + ".");
    return false;
}

bool VDStandardAdSizeIsValid(VDAdSize size, base::Error* error) {
    if (VDAdSizeIsStandard(size))
        return true;
    if (size.size == ui::Size(0, 0) &&
        (size.flags == 18 || size.flags == 22 || size.flags == 26 || size.flags == 30))
        return true;
    fail(error, "Non-standard size, " + VDAdSizeDescription(size) +
                    ". Please create a custom ad size using VDAdSizeFromCGSize.");
    return false;
}

std::string VDAdSizeDescription(VDAdSize size) {
    for (const auto& [named, name] : namedSizes()) {
        if (named == size)
            return name;
    }
    if (VDAdSizeIsFullWidth(size))
        return formatted("Full width VDAdSize with height: %f", size.size.height);
    if (size.flags & kVDAdSizeFlagCustom)
        return "Custom VDAdSize: " + size.size.description();
    return "VDAdSize: " + size.size.description() + formatted(", %" PRIx64, size.flags);
}

std::any VDNSValueFromAdSize(VDAdSize size) {
    return size;
}

VDAdSize VDAdSizeFromNSValue(const std::any& value) {
    if (const auto* size = std::any_cast<VDAdSize>(&value))
        return *size;
    return kVDAdSizeInvalid;
}

ui::Size VDCGSizeFromAdSizeString(std::string_view text) {
    return ui::sizeFromString("{" + base::replaceAll(text, "x", ",") + "}");
}

ui::Size VDCGSizeFromServerAdSizeString(std::string_view text) {
    if (text.empty())
        return ui::Size();
    const ui::Size size = VDCGSizeFromAdSizeString(text);
    // Fitting the screen also rules out infinities and not-a-number.
    if (size.width > 0 && size.height > 0 &&
        VDCustomAdSizeFitsScreen(nullptr, size.width, size.height))
        return size;
    base::log("Ignoring the ad size \"" + std::string(text.substr(0, 64)) +
              "\" from the server: sides must be positive and fit the screen");
    return ui::Size();
}
