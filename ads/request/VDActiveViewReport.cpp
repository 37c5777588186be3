#include "ads/request/VDActiveViewReport.h"

#include "ads/foundation/VDAbsoluteTime.h"
#include "ads/foundation/VDActiveViewMonitor.h"
#include "ads/foundation/VDJSONUtilities.h"
#include "ads/request/VDRequest.h"
#include "platform/ui/Application.h"
#include "platform/ui/Screen.h"
#include "platform/ui/View.h"
#include "platform/ui/Window.h"

base::Value::Dictionary
VDActiveViewReport::activeViewParametersActiveViewUnloaded(const VDActiveViewMonitor& monitor,
                                                           const Unit& unit, bool unloaded) {
    auto view = monitor.monitoredView();
    auto window = view ? view->window() : nullptr;
    auto& application = ui::Application::shared();
    const bool inShownWindow = window && !window->isHidden() &&
                               application.applicationState() == ui::ApplicationState::Active;
    base::Value::Dictionary report{
        {"adBox", base::Value(dictionaryForBounds(
                      view ? view->convertRectToView(view->bounds(), nullptr) : ui::Rect::zero()))},
        {"globalVisibleBox",
         base::Value(dictionaryForBounds(monitor.monitoredViewVisibleBounds()))},
        {"viewBox", base::Value(dictionaryForBounds(window ? window->bounds() : ui::Rect::zero()))},
        {"screenDimension",
         base::Value(dictionaryForBounds(ui::Screen::mainScreen().applicationFrame()))},
        {"screenOrientation",
         base::Value(static_cast<std::int64_t>(application.statusBarOrientation()))},
        {"isSubViewOfVisibleWindow", base::Value(inShownWindow ? "1" : "0")},
        {"isVisible", base::Value(monitor.isMonitoredViewVisible() ? "1" : "0")},
        {"ad_type_mraid", base::Value(unit.MRAID ? "1" : "0")},
        {"vdmaVersion", base::Value(VDRequest::sdkVersion())},
        {"adFormat", base::Value(adFormat(unit.interstitial))},
        {"timestamp", base::Value(VDAbsoluteTime::absoluteTimeInMilliseconds())},
        {"hashCode", base::Value(unit.activeViewID)},
    };
    if (unit.activeViewConfiguration)
        report["activeViewJSON"] = base::Value(*unit.activeViewConfiguration);
    if (unloaded)
        report["doneReasonCode"] = base::Value("u");
    return base::Value::Dictionary{{"units", base::Value(base::Value::Array{base::Value(report)})}};
}

std::optional<std::string> VDActiveViewReport::activeViewJSCommandWithParams(
    const std::optional<base::Value::Dictionary>& parameters) {
    if (!parameters)
        return std::nullopt;
    auto json = vd_JSONStringPrettyError(*parameters, false);
    if (!json)
        return std::nullopt;
    return std::string(pageFunction) + "(" + *json + ")";
}

base::Value::Dictionary VDActiveViewReport::dictionaryForBounds(const ui::Rect& bounds) {
    const ui::Rect rect = bounds.standardized();
    return {
        {"top", base::Value(rect.minY())},
        {"bottom", base::Value(rect.minY() + rect.size.height)},
        {"left", base::Value(rect.minX())},
        {"right", base::Value(rect.minX() + rect.size.width)},
    };
}
