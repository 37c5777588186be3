#pragma once

#include "platform/ui/Font.h"
#include "platform/ui/Label.h"
#include "platform/ui/ScrollView.h"

#include <memory>
#include <string>

namespace ui {

// A scrolling block of text, read-only unless editable. Only what readers of on-screen text
// need: the text and how it is shown.
class TextView : public ScrollView {
public:
    explicit TextView(const Rect& frame = Rect());
    static std::shared_ptr<TextView> create(const Rect& frame = Rect()) {
        return std::make_shared<TextView>(frame);
    }
    std::string className() const override { return "TextView"; }

    const std::string& text() const { return text_; }
    void setText(std::string text);
    const Font& font() const { return font_; }
    void setFont(Font font) { font_ = std::move(font); }
    const Color& textColor() const { return textColor_; }
    void setTextColor(Color color) { textColor_ = color; }
    TextAlignment textAlignment() const { return alignment_; }
    void setTextAlignment(TextAlignment alignment) { alignment_ = alignment; }
    bool isEditable() const { return editable_; }
    void setEditable(bool on) { editable_ = on; }
    bool isSelectable() const { return selectable_; }
    void setSelectable(bool on) { selectable_ = on; }

private:
    std::string text_;
    Font font_ = Font::systemFont(12);
    Color textColor_ = Color::blackColor();
    TextAlignment alignment_ = TextAlignment::Left;
    bool editable_ = true;
    bool selectable_ = true;
};

} // namespace ui
