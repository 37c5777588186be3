#pragma once

#include "platform/base/Error.h"
#include "platform/ui/Geometry.h"

#include <any>
#include <cstdint>
#include <string>
#include <string_view>

// The size of a banner: a plain size in points plus flags that mark custom sizes and the
// "smart" banners, whose width follows the screen and whose height follows the device.
struct VDAdSize {
    ui::Size size;
    std::uint64_t flags = 0;

    friend constexpr bool operator==(const VDAdSize&, const VDAdSize&) = default;
};

enum VDAdSizeFlag : std::uint64_t {
    kVDAdSizeFlagCustom = 1,
    kVDAdSizeFlagFullWidth = 2,  // the width is the screen's
    kVDAdSizeFlagSkinny = 4,     // the shorter tablet height
    kVDAdSizeFlagLandscape = 8,  // width and height of the landscape screen
    kVDAdSizeFlagAutoHeight = 16 // the height is the device's banner height
};

inline constexpr VDAdSize kVDAdSizeInvalid{{-1, -1}, 0};
inline constexpr VDAdSize kVDAdSizeBanner{{320, 50}, 0};
inline constexpr VDAdSize kVDAdSizeLargeBanner{{320, 100}, 0};
inline constexpr VDAdSize kVDAdSizeMediumRectangle{{300, 250}, 0};
inline constexpr VDAdSize kVDAdSizeFullBanner{{468, 60}, 0};
inline constexpr VDAdSize kVDAdSizeLeaderboard{{728, 90}, 0};
inline constexpr VDAdSize kVDAdSizeSkyscraper{{120, 600}, 0};
inline constexpr VDAdSize kVDAdSizeSmartBannerPortrait{{0, 0}, 18};
inline constexpr VDAdSize kVDAdSizeSmartBannerLandscape{{0, 0}, 26};
inline constexpr VDAdSize kVDAdSizeSmartBannerSkinnyPortrait{{0, 0}, 22};
inline constexpr VDAdSize kVDAdSizeSmartBannerSkinnyLandscape{{0, 0}, 30};

// The named size of exactly that width and height (kVDAdSizeInvalid for −1 by −1, one of the
// six standard sizes), else the size as a custom size (flag 1).
VDAdSize VDAdSizeFromCGSize(ui::Size size);
// Widths, heights and flags all equal.
bool VDAdSizeIsEqual(VDAdSize a, VDAdSize b);
// The size to lay out on this device: a standard size as it is; a full-width size as wide as
// the portrait screen (as its height when landscape) and, with auto height, as high as the
// device's banners (50 on a phone, 32 landscape; 90 on a pad, 66 skinny), or with the custom
// flag as high as it says; any other custom size as it is; 0 by 0 for everything else.
ui::Size VDCGSizeFromAdSize(VDAdSize size);
bool VDAdSizeIsFullWidth(VDAdSize size);
bool VDAdSizeIsAutoHeight(VDAdSize size);
// One of the six standard sizes, flags 0.
bool VDAdSizeIsStandard(VDAdSize size);

// Whether the size can be shown: a custom size must fit the screen (VDCustomAdSizeFitsScreen),
// any other must be standard or a smart banner (VDStandardAdSizeIsValid). When not, `error`
// (when given) gets a private "invalid argument" error (code 3) saying why.
bool VDAdSizeIsValidWithError(VDAdSize size, base::Error* error = nullptr);
// Both absolute width and height at most the larger side of the portrait screen.
bool VDCustomAdSizeFitsScreen(base::Error* error, double width, double height);
// Standard, or 0 by 0 with flags exactly 18, 22, 26 or 30 (the smart banners).
bool VDStandardAdSizeIsValid(VDAdSize size, base::Error* error = nullptr);

// The constant's name for a named size ("kVDAdSizeBanner"), else "Full width VDAdSize with
// height: …", "Custom VDAdSize: {w, h}" or "VDAdSize: {w, h}, <flags in hex>".
std::string VDAdSizeDescription(VDAdSize size);

// The size boxed as a dynamic value, and back; anything that is not a boxed ad size unboxes
// to kVDAdSizeInvalid.
std::any VDNSValueFromAdSize(VDAdSize size);
VDAdSize VDAdSizeFromNSValue(const std::any& value);

// "320x50" as 320 by 50; text of another form gives 0 by 0.
ui::Size VDCGSizeFromAdSizeString(std::string_view text);
// A size the ad server names ("320x50"), only when it can be laid out: both sides positive and
// fitting the screen (VDCustomAdSizeFitsScreen). Any other size is refused with one log line
// and gives 0 by 0, as text of another form does; empty text gives 0 by 0 silently.
ui::Size VDCGSizeFromServerAdSizeString(std::string_view text);
