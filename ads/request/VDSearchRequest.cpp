#include "ads/request/VDSearchRequest.h"

#include <algorithm>
#include <cstdio>

std::shared_ptr<VDSearchRequest> VDSearchRequest::request() {
    // The first request of any kind runs the early start-up work.
    VDRequest::request();
    return std::make_shared<VDSearchRequest>(Private{});
}

VDSearchRequest::VDSearchRequest(Private)
    : VDRequest(Private{}) {}

std::shared_ptr<VDRequest> VDSearchRequest::copy() const {
    auto copied = std::make_shared<VDSearchRequest>(Private{});
    copyPropertiesInto(*copied);
    copied->query_ = query_;
    copied->backgroundColor_ = backgroundColor_;
    copied->gradientFrom_ = gradientFrom_;
    copied->gradientTo_ = gradientTo_;
    copied->headerColor_ = headerColor_;
    copied->descriptionTextColor_ = descriptionTextColor_;
    copied->anchorTextColor_ = anchorTextColor_;
    copied->fontFamily_ = fontFamily_;
    copied->headerTextSize_ = headerTextSize_;
    copied->borderColor_ = borderColor_;
    copied->borderType_ = borderType_;
    copied->borderThickness_ = borderThickness_;
    copied->customChannels_ = customChannels_;
    copied->callButtonColor_ = callButtonColor_;
    return copied;
}

std::string VDSearchRequest::colorString(const ui::Color& color) {
    // A component outside 0..1 would print more than two digits (or a negative number's).
    auto byte = [](double component) {
        return static_cast<unsigned>(std::clamp(component, 0.0, 1.0) * 255);
    };
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", byte(color.red), byte(color.green),
                  byte(color.blue));
    return text;
}

void VDSearchRequest::setBackgroundSolid(std::optional<ui::Color> color) {
    backgroundColor_ = color;
    gradientFrom_.reset();
    gradientTo_.reset();
}

void VDSearchRequest::setBackgroundGradientFromToColor(std::optional<ui::Color> from,
                                                       std::optional<ui::Color> to) {
    if (!from || !to)
        return;
    backgroundColor_.reset();
    gradientFrom_ = from;
    gradientTo_ = to;
}

// "search", beside the request's own parameters:
//   q                the query                 bcolor   the border colour
//   bgcolor          the solid background      btype    "none", "dashed", "dotted", "solid"
//   gradientfrom/to  the gradient's colours    bthick   the border's thickness, always
//   hcolor           the header colour         channel  the custom channels
//   dcolor, acolor   description, anchor text  callbuttoncolor  "light", "medium", "dark"
//   font             the font family
//   headersize       the header text size, always
// Colours as "#rrggbb"; an unset value is left out, and so is a border type or call button
// colour out of its range.
base::Value::Dictionary VDSearchRequest::parameters() const {
    base::Value::Dictionary parameters = VDRequest::parameters();
    base::Value::Dictionary search;
    auto text = [&](const char* key, const std::optional<std::string>& value) {
        if (value)
            search[key] = base::Value(*value);
    };
    auto color = [&](const char* key, const std::optional<ui::Color>& value) {
        if (value)
            search[key] = base::Value(colorString(*value));
    };
    text("q", query_);
    color("bgcolor", backgroundColor_);
    color("gradientfrom", gradientFrom_);
    color("gradientto", gradientTo_);
    color("hcolor", headerColor_);
    color("dcolor", descriptionTextColor_);
    color("acolor", anchorTextColor_);
    text("font", fontFamily_);
    search["headersize"] = base::Value(std::to_string(headerTextSize_));
    color("bcolor", borderColor_);
    static const char* const borderTypes[] = {"none", "dashed", "dotted", "solid"};
    if (borderType_ < std::size(borderTypes))
        search["btype"] = base::Value(borderTypes[borderType_]);
    search["bthick"] = base::Value(std::to_string(borderThickness_));
    text("channel", customChannels_);
    static const char* const callButtonColors[] = {"light", "medium", "dark"};
    if (callButtonColor_ < std::size(callButtonColors))
        search["callbuttoncolor"] = base::Value(callButtonColors[callButtonColor_]);
    parameters["search"] = base::Value(std::move(search));
    return parameters;
}
