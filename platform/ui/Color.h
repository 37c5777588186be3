#pragma once

#include <string>

namespace ui {

// A colour as red, green, blue and alpha components from 0 to 1.
struct Color {
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 0;

    constexpr Color() = default;
    constexpr Color(double red, double green, double blue, double alpha = 1.0)
        : red(red)
        , green(green)
        , blue(blue)
        , alpha(alpha) {}

    // Components out of 255 (alpha stays 0..1), as colour values are usually written.
    static constexpr Color fromRGB255(double red, double green, double blue, double alpha = 1.0) {
        return Color(red / 255.0, green / 255.0, blue / 255.0, alpha);
    }
    static constexpr Color fromWhite(double white, double alpha = 1.0) {
        return Color(white, white, white, alpha);
    }

    // The platform's named colours.
    static constexpr Color clearColor() { return Color(0, 0, 0, 0); }
    static constexpr Color blackColor() { return fromWhite(0); }
    static constexpr Color whiteColor() { return fromWhite(1); }
    static constexpr Color darkGrayColor() { return fromWhite(1.0 / 3.0); }
    static constexpr Color grayColor() { return fromWhite(0.5); }
    static constexpr Color lightGrayColor() { return fromWhite(2.0 / 3.0); }
    static constexpr Color redColor() { return Color(1, 0, 0); }
    static constexpr Color greenColor() { return Color(0, 1, 0); }
    static constexpr Color blueColor() { return Color(0, 0, 1); }
    static constexpr Color yellowColor() { return Color(1, 1, 0); }
    static constexpr Color orangeColor() { return Color(1, 0.5, 0); }
    static constexpr Color groupTableViewBackgroundColor() { return fromRGB255(239, 239, 244); }

    constexpr Color withAlpha(double newAlpha) const { return Color(red, green, blue, newAlpha); }

    std::string description() const; // "RGBA(r g b a)"

    friend constexpr bool operator==(const Color&, const Color&) = default;
};

} // namespace ui
