#pragma once

#include "platform/ui/Font.h"
#include "platform/ui/View.h"

#include <optional>
#include <string>

namespace ui {

// The platform's text alignments and line-break modes, with their values.
enum class TextAlignment { Left = 0, Center = 1, Right = 2, Justified = 3, Natural = 4 };
enum class LineBreakMode {
    WordWrapping = 0,
    CharWrapping = 1,
    Clipping = 2,
    TruncatingHead = 3,
    TruncatingTail = 4,
    TruncatingMiddle = 5,
};

// A read-only text. Its size is the text's measure (TextMeasurer): an estimate without a
// window, the drawer's own setting of the text in one.
class Label : public View {
public:
    explicit Label(const Rect& frame = Rect());
    static std::shared_ptr<Label> create(const Rect& frame = Rect()) {
        return std::make_shared<Label>(frame);
    }
    std::string className() const override { return "Label"; }

    const std::string& text() const { return text_; }
    void setText(std::string text);
    const Font& font() const { return font_; }
    void setFont(Font font);
    const Color& textColor() const { return textColor_; }
    void setTextColor(Color color) { textColor_ = color; }
    const std::optional<Color>& highlightedTextColor() const { return highlightedTextColor_; }
    void setHighlightedTextColor(std::optional<Color> color) { highlightedTextColor_ = color; }
    bool isHighlighted() const { return highlighted_; }
    void setHighlighted(bool on) { highlighted_ = on; }
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool on) { enabled_ = on; }
    TextAlignment textAlignment() const { return alignment_; }
    void setTextAlignment(TextAlignment alignment) { alignment_ = alignment; }
    // 0 means as many lines as needed.
    int numberOfLines() const { return numberOfLines_; }
    void setNumberOfLines(int lines) { numberOfLines_ = lines; }
    LineBreakMode lineBreakMode() const { return lineBreakMode_; }
    void setLineBreakMode(LineBreakMode mode) { lineBreakMode_ = mode; }
    bool adjustsFontSizeToFitWidth() const { return adjustsFontSize_; }
    void setAdjustsFontSizeToFitWidth(bool on) { adjustsFontSize_ = on; }
    const std::optional<Color>& shadowColor() const { return shadowColor_; }
    void setShadowColor(std::optional<Color> color) { shadowColor_ = color; }
    Size shadowOffset() const { return shadowOffset_; }
    void setShadowOffset(Size offset) { shadowOffset_ = offset; }

    Size sizeThatFits(Size size) const override;

    // The measure of a text in a font, on one line (TextMeasurer::current()).
    static Size measure(const std::string& text, const Font& font);

private:
    std::string text_;
    Font font_ = Font::systemFont(17);
    Color textColor_ = Color::blackColor();
    std::optional<Color> highlightedTextColor_;
    bool highlighted_ = false;
    bool enabled_ = true;
    TextAlignment alignment_ = TextAlignment::Left;
    int numberOfLines_ = 1;
    LineBreakMode lineBreakMode_ = LineBreakMode::TruncatingTail;
    bool adjustsFontSize_ = false;
    std::optional<Color> shadowColor_;
    Size shadowOffset_{0, -1};
};

} // namespace ui
