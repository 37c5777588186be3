#pragma once

#include "platform/ui/Font.h"
#include "platform/ui/Geometry.h"

#include <memory>
#include <string>

namespace ui {

// How much room a text takes set on one line in a font: what layout asks when it sizes a
// label, a button's title or a bar item (Label::measure). Without a window the measure is an
// estimate (half the point size per character, a little more when bold; one line height). The
// window installs a measurer that sets the text as its drawer draws it, so that what is laid
// out holds what is drawn.
class TextMeasurer {
public:
    virtual ~TextMeasurer() = default;
    virtual Size measure(const std::string& text, const Font& font) const = 0;

    // The process's measurer: the estimate unless one was installed.
    static std::shared_ptr<const TextMeasurer> current();
    // Installs a measurer for the whole process and returns the one it replaces; nullptr goes
    // back to the estimate.
    static std::shared_ptr<const TextMeasurer>
    install(std::shared_ptr<const TextMeasurer> measurer);
};

} // namespace ui
