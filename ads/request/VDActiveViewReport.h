#pragma once

#include "platform/base/Value.h"
#include "platform/ui/Geometry.h"

#include <cstdint>
#include <optional>
#include <string>

class VDActiveViewMonitor;

// The reports a slot sends the active-view page after each sample of its ad's monitor, and a
// last one, marked unloaded ("doneReasonCode" "u"), when the measurement ends:
// "VDMA_updateActiveView(<compact JSON>)" of {"units": [unit]}, the unit holding
//   "adBox"                     the ad view's bounds in window coordinates
//   "globalVisibleBox"          the monitor's visible part of it
//   "viewBox"                   the window's bounds (zero without a window)
//   "screenDimension"           the main screen's application frame
//   "screenOrientation"         the status bar's orientation (1 to 4)
//   "isSubViewOfVisibleWindow"  "1" in a shown window while the application is active
//   "isVisible"                 "1" when the monitor found the ad visible
//   "ad_type_mraid"             "1" for a rich-media ad
//   "vdmaVersion"               the ads client's version
//   "adFormat"                  "interstitial_mb" or "banner_mb"
//   "activeViewJSON"            the ad's active-view configuration, when it has one
//   "timestamp"                 VDAbsoluteTime milliseconds
//   "hashCode"                  the measurement's active-view identifier
//   "doneReasonCode"            "u", in the last report only
// Boxes are {"top", "bottom", "left", "right"} of the standardised rectangle. Main thread.
class VDActiveViewReport {
public:
    static constexpr const char* pageFunction = "VDMA_updateActiveView";

    // What the report tells of the slot's ad.
    struct Unit {
        bool MRAID = false;
        bool interstitial = false;
        std::optional<base::Value::Dictionary> activeViewConfiguration;
        std::uint64_t activeViewID = 0;
    };

    VDActiveViewReport() = delete;

    static base::Value::Dictionary
    activeViewParametersActiveViewUnloaded(const VDActiveViewMonitor& monitor, const Unit& unit,
                                           bool unloaded);
    // "VDMA_updateActiveView(<compact JSON>)"; nullopt for no parameters or parameters that
    // JSON cannot carry.
    static std::optional<std::string>
    activeViewJSCommandWithParams(const std::optional<base::Value::Dictionary>& parameters);
    static base::Value::Dictionary dictionaryForBounds(const ui::Rect& bounds);
    static const char* adFormat(bool interstitial) {
        return interstitial ? "interstitial_mb" : "banner_mb";
    }
};
