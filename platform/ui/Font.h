#pragma once

#include <string>

namespace ui {

// A font as the views keep it: family, point size and weight/slant. The drawer picks the
// closest face the desktop has.
struct Font {
    std::string family = systemFamily;
    double pointSize = 17;
    bool bold = false;
    bool italic = false;

    static constexpr const char* systemFamily = "System";

    static Font systemFont(double size) { return Font{systemFamily, size, false, false}; }
    static Font boldSystemFont(double size) { return Font{systemFamily, size, true, false}; }
    static Font italicSystemFont(double size) { return Font{systemFamily, size, false, true}; }
    static Font named(std::string family, double size) {
        return Font{std::move(family), size, false, false};
    }

    // Height of one line of text in this font.
    double lineHeight() const { return pointSize * 1.2; }

    friend bool operator==(const Font&, const Font&) = default;
};

} // namespace ui
