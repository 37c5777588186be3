#include "platform/ui/TextMeasurer.h"

#include "platform/base/ProcessWide.h"
#include "platform/base/Strings.h"

#include <cmath>

namespace ui {

namespace {

class EstimatingTextMeasurer : public TextMeasurer {
public:
    Size measure(const std::string& text, const Font& font) const override {
        if (text.empty())
            return Size();
        const double glyphWidth = font.pointSize * (font.bold ? 0.55 : 0.5);
        return Size(std::ceil(double(base::utf16Length(text)) * glyphWidth),
                    std::ceil(font.lineHeight()));
    }
};

base::ProcessWide<const TextMeasurer>& process() {
    static base::ProcessWide<const TextMeasurer> measurer(
        [] { return std::make_shared<const EstimatingTextMeasurer>(); });
    return measurer;
}

} // namespace

std::shared_ptr<const TextMeasurer> TextMeasurer::current() {
    return process().get();
}

std::shared_ptr<const TextMeasurer>
TextMeasurer::install(std::shared_ptr<const TextMeasurer> measurer) {
    return process().install(std::move(measurer));
}

} // namespace ui
