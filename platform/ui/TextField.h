#pragma once

#include "platform/ui/Control.h"
#include "platform/ui/Font.h"
#include "platform/ui/Keyboard.h"
#include "platform/ui/Label.h"

#include <cstddef>
#include <memory>
#include <string>

namespace ui {

class TextField;

inline constexpr const char* TextFieldTextDidBeginEditingNotification =
    "UITextFieldTextDidBeginEditingNotification";
inline constexpr const char* TextFieldTextDidEndEditingNotification =
    "UITextFieldTextDidEndEditingNotification";
inline constexpr const char* TextFieldTextDidChangeNotification =
    "UITextFieldTextDidChangeNotification";

// The platform's values.
enum class TextBorderStyle { None = 0, Line = 1, Bezel = 2, RoundedRect = 3 };
enum class TextFieldViewMode { Never = 0, WhileEditing = 1, UnlessEditing = 2, Always = 3 };
enum class KeyboardType {
    Default = 0,
    ASCIICapable = 1,
    NumbersAndPunctuation = 2,
    URL = 3,
    NumberPad = 4,
    PhonePad = 5,
    NamePhonePad = 6,
    EmailAddress = 7,
    DecimalPad = 8,
    WebSearch = 10,
};
enum class ReturnKeyType {
    Default = 0,
    Go = 1,
    Join = 3,
    Next = 4,
    Route = 5,
    Search = 6,
    Send = 7,
    Done = 9,
    EmergencyCall = 10,
};
enum class TextAutocorrectionType { Default = 0, No = 1, Yes = 2 };
enum class TextAutocapitalizationType { None = 0, Words = 1, Sentences = 2, AllCharacters = 3 };

// A range of text in UTF-16 units, as the platform counts.
struct TextRange {
    std::size_t location = 0;
    std::size_t length = 0;
    friend bool operator==(const TextRange&, const TextRange&) = default;
};

// What a text field asks and tells its delegate; the defaults allow everything.
class TextFieldDelegate {
public:
    virtual ~TextFieldDelegate() = default;
    virtual bool textFieldShouldBeginEditing(TextField&) { return true; }
    virtual void textFieldDidBeginEditing(TextField&) {}
    virtual bool textFieldShouldEndEditing(TextField&) { return true; }
    virtual void textFieldDidEndEditing(TextField&) {}
    virtual bool textFieldShouldChangeCharactersInRangeReplacementString(TextField&, TextRange,
                                                                         const std::string&) {
        return true;
    }
    virtual bool textFieldShouldClear(TextField&) { return true; }
    virtual bool textFieldShouldReturn(TextField&) { return true; }
};

// A one-line text input. Becoming first responder starts editing (delegate, editing-did-begin
// actions, notification) and brings the keyboard up; resigning ends it. Typing goes through
// insertText / deleteBackward, which ask the delegate, send editing-changed and post the
// text-did-change notification; setText from code does none of that.
class TextField : public Control {
public:
    explicit TextField(const Rect& frame = Rect());
    static std::shared_ptr<TextField> create(const Rect& frame = Rect()) {
        return std::make_shared<TextField>(frame);
    }
    std::string className() const override { return "TextField"; }

    const std::string& text() const { return text_; }
    // Puts the selection at the end of the new text.
    void setText(std::string text);
    const std::string& placeholder() const { return placeholder_; }
    void setPlaceholder(std::string placeholder) { placeholder_ = std::move(placeholder); }
    const Font& font() const { return font_; }
    void setFont(Font font) { font_ = std::move(font); }
    const Color& textColor() const { return textColor_; }
    void setTextColor(Color color) { textColor_ = color; }
    TextAlignment textAlignment() const { return alignment_; }
    void setTextAlignment(TextAlignment alignment) { alignment_ = alignment; }
    TextBorderStyle borderStyle() const { return borderStyle_; }
    void setBorderStyle(TextBorderStyle style) { borderStyle_ = style; }
    TextFieldViewMode clearButtonMode() const { return clearButtonMode_; }
    void setClearButtonMode(TextFieldViewMode mode) { clearButtonMode_ = mode; }
    bool clearsOnBeginEditing() const { return clearsOnBeginEditing_; }
    void setClearsOnBeginEditing(bool on) { clearsOnBeginEditing_ = on; }
    KeyboardType keyboardType() const { return keyboardType_; }
    void setKeyboardType(KeyboardType type) { keyboardType_ = type; }
    ReturnKeyType returnKeyType() const { return returnKeyType_; }
    void setReturnKeyType(ReturnKeyType type) { returnKeyType_ = type; }
    TextAutocorrectionType autocorrectionType() const { return autocorrection_; }
    void setAutocorrectionType(TextAutocorrectionType type) { autocorrection_ = type; }
    TextAutocapitalizationType autocapitalizationType() const { return autocapitalization_; }
    void setAutocapitalizationType(TextAutocapitalizationType type) { autocapitalization_ = type; }
    bool isSecureTextEntry() const { return secure_; }
    void setSecureTextEntry(bool on) { secure_ = on; }

    // Held weakly.
    std::shared_ptr<TextFieldDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<TextFieldDelegate>& delegate) { delegate_ = delegate; }

    // Overlay views at the left and right ends, shown according to their modes: never,
    // while editing, unless editing, always. A shown overlay is a subview of the field.
    const std::shared_ptr<View>& leftView() const { return leftView_; }
    void setLeftView(std::shared_ptr<View> view);
    TextFieldViewMode leftViewMode() const { return leftViewMode_; }
    void setLeftViewMode(TextFieldViewMode mode);
    const std::shared_ptr<View>& rightView() const { return rightView_; }
    void setRightView(std::shared_ptr<View> view);
    TextFieldViewMode rightViewMode() const { return rightViewMode_; }
    void setRightViewMode(TextFieldViewMode mode);
    bool isLeftViewShown() const;
    bool isRightViewShown() const;
    // Where the text goes within the bounds: between the left and right views shown.
    Rect textRectForBounds(Rect bounds) const;
    bool isClearButtonShown() const;

    bool isEditing() const { return editing_; }
    bool canBecomeFirstResponder() const override;
    bool becomeFirstResponder() override;
    bool resignFirstResponder() override;

    // Selection in UTF-16 units, kept inside the text.
    TextRange selectedRange() const { return selection_; }
    void setSelectedRange(TextRange range);
    void selectAll();
    std::string selectedText() const;

    // Typing (tests and the drawer). Replace the selection with `text` (or delete the
    // character before the caret / the selection) when the delegate allows. Return whether
    // the text changed.
    bool insertText(const std::string& text);
    bool deleteBackward();
    // The return key: asks the delegate; when allowed sends editing-did-end-on-exit, and a
    // field with actions for that event then resigns first responder.
    void simulateReturn();
    // The clear button: asks the delegate, then empties the text.
    bool simulateClear();

    // A tap on the field focuses it.
    void touchesEnded(const TouchSet& touches, const Event* event) override;
    void layoutSubviews() override;
    Size sizeThatFits(Size size) const override;

private:
    void replace(TextRange range, const std::string& text);
    void updateOverlayViews();
    static bool modeShows(TextFieldViewMode mode, bool editing);

    std::string text_;
    std::string placeholder_;
    Font font_ = Font::systemFont(17);
    Color textColor_ = Color::blackColor();
    TextAlignment alignment_ = TextAlignment::Left;
    TextBorderStyle borderStyle_ = TextBorderStyle::None;
    TextFieldViewMode clearButtonMode_ = TextFieldViewMode::Never;
    bool clearsOnBeginEditing_ = false;
    KeyboardType keyboardType_ = KeyboardType::Default;
    ReturnKeyType returnKeyType_ = ReturnKeyType::Default;
    TextAutocorrectionType autocorrection_ = TextAutocorrectionType::Default;
    TextAutocapitalizationType autocapitalization_ = TextAutocapitalizationType::None;
    bool secure_ = false;
    std::weak_ptr<TextFieldDelegate> delegate_;
    std::shared_ptr<View> leftView_;
    TextFieldViewMode leftViewMode_ = TextFieldViewMode::Never;
    std::shared_ptr<View> rightView_;
    TextFieldViewMode rightViewMode_ = TextFieldViewMode::Never;
    bool editing_ = false;
    TextRange selection_;
};

} // namespace ui
