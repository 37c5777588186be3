#pragma once

#include "ads/request/VDRequest.h"
#include "platform/ui/Color.h"

#include <memory>
#include <optional>
#include <string>

// A request for search ads: the query and how the ads should look, sent as the request's
// "search" dictionary beside the parameters of every request.
class VDSearchRequest : public VDRequest {
public:
    enum BorderType : unsigned long {
        kVDSearchBorderTypeNone = 0,
        kVDSearchBorderTypeDashed = 1,
        kVDSearchBorderTypeDotted = 2,
        kVDSearchBorderTypeSolid = 3,
    };
    enum CallButtonColor : unsigned long {
        kVDSearchCallButtonLight = 0,
        kVDSearchCallButtonMedium = 1,
        kVDSearchCallButtonDark = 2,
    };

    // A new search request; the first request ever runs the ads client's early start-up work.
    static std::shared_ptr<VDSearchRequest> request();
    explicit VDSearchRequest(Private);

    // A new search request with every property of the request and of the search copied.
    std::shared_ptr<VDRequest> copy() const override;
    // The request's parameters and "search" (see VDSearchRequest.cpp).
    base::Value::Dictionary parameters() const override;

    // "#rrggbb" of the colour's components, each cut to 0..1 and × 255 cut toward zero.
    static std::string colorString(const ui::Color& color);

    // A solid background: the gradient goes.
    void setBackgroundSolid(std::optional<ui::Color> color);
    // A gradient background, only when both colours are given: the solid colour goes.
    void setBackgroundGradientFromToColor(std::optional<ui::Color> from,
                                          std::optional<ui::Color> to);

    const std::optional<std::string>& query() const { return query_; }
    void setQuery(std::optional<std::string> query) { query_ = std::move(query); }
    const std::optional<ui::Color>& backgroundColor() const { return backgroundColor_; }
    const std::optional<ui::Color>& gradientFrom() const { return gradientFrom_; }
    const std::optional<ui::Color>& gradientTo() const { return gradientTo_; }
    const std::optional<ui::Color>& headerColor() const { return headerColor_; }
    void setHeaderColor(std::optional<ui::Color> color) { headerColor_ = color; }
    const std::optional<ui::Color>& descriptionTextColor() const { return descriptionTextColor_; }
    void setDescriptionTextColor(std::optional<ui::Color> color) { descriptionTextColor_ = color; }
    const std::optional<ui::Color>& anchorTextColor() const { return anchorTextColor_; }
    void setAnchorTextColor(std::optional<ui::Color> color) { anchorTextColor_ = color; }
    const std::optional<std::string>& fontFamily() const { return fontFamily_; }
    void setFontFamily(std::optional<std::string> family) { fontFamily_ = std::move(family); }
    unsigned long headerTextSize() const { return headerTextSize_; }
    void setHeaderTextSize(unsigned long size) { headerTextSize_ = size; }
    const std::optional<ui::Color>& borderColor() const { return borderColor_; }
    void setBorderColor(std::optional<ui::Color> color) { borderColor_ = color; }
    unsigned long borderType() const { return borderType_; }
    void setBorderType(unsigned long type) { borderType_ = type; }
    unsigned long borderThickness() const { return borderThickness_; }
    void setBorderThickness(unsigned long thickness) { borderThickness_ = thickness; }
    const std::optional<std::string>& customChannels() const { return customChannels_; }
    void setCustomChannels(std::optional<std::string> channels) {
        customChannels_ = std::move(channels);
    }
    unsigned long callButtonColor() const { return callButtonColor_; }
    void setCallButtonColor(unsigned long color) { callButtonColor_ = color; }

protected:
    std::string className() const override { return "VDSearchRequest"; }

private:
    std::optional<std::string> query_;
    std::optional<ui::Color> backgroundColor_;
    std::optional<ui::Color> gradientFrom_;
    std::optional<ui::Color> gradientTo_;
    std::optional<ui::Color> headerColor_;
    std::optional<ui::Color> descriptionTextColor_;
    std::optional<ui::Color> anchorTextColor_;
    std::optional<std::string> fontFamily_;
    unsigned long headerTextSize_ = 0;
    std::optional<ui::Color> borderColor_;
    unsigned long borderType_ = kVDSearchBorderTypeNone;
    unsigned long borderThickness_ = 0;
    std::optional<std::string> customChannels_;
    unsigned long callButtonColor_ = kVDSearchCallButtonLight;
};
