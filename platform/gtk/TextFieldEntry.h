#pragma once

#include "platform/gtk/GOwned.h"
#include "platform/ui/TextField.h"

#include <memory>
#include <optional>
#include <string>

typedef struct _GtkWidget GtkWidget;
typedef struct _GtkCssProvider GtkCssProvider;

namespace gtk {

// A real text entry (GtkText) standing for a ui::TextField. What the person types goes through
// the model's typing (insertText, deleteBackward: the field's delegate may refuse a change,
// and then the entry does not change either); Return is the model's return key, Escape ends
// the editing without it; focus
// follows the model's first responder both ways. sync() brings the entry in line with the
// model (text, placeholder, font, colour, alignment, secure entry, enabled, selection) after
// the model changed it from code; the window calls it at the end of every turn, so it changes
// only what differs from what the entry shows. A field not being edited shows the start of its
// text. The entry stands over the field's text area only (ViewCanvas places it); the window
// paints the field's border and background (ViewPainter).
class TextFieldEntry {
public:
    explicit TextFieldEntry(const std::shared_ptr<ui::TextField>& field);
    ~TextFieldEntry();
    TextFieldEntry(const TextFieldEntry&) = delete;
    TextFieldEntry& operator=(const TextFieldEntry&) = delete;

    GtkWidget* widget() const { return text_.get(); }
    std::shared_ptr<ui::TextField> field() const { return field_.lock(); }

    void sync();

    // The CSS of the entries, installed once for the display.
    static void installStyle();

private:
    void inserting(const char* text, int length, int* position);
    void deleting(int start, int end);
    void focusEntered();
    void focusLeft();
    void activated();
    // Whether the key was taken: it ended the field's editing.
    bool escapePressed();
    // UTF-16 offset in the model's text of a character position of the entry.
    static std::size_t utf16Offset(const std::string& text, int characters);
    static int characterPosition(const std::string& text, std::size_t utf16);

    GOwned<GtkWidget> text_;
    std::weak_ptr<ui::TextField> field_;
    // Set while the entry is changed from the model, so that its signals are not read as
    // typing.
    bool pushing_ = false;
    ui::TextRange shownSelection_;
    // The font and colour the entry's attributes were made of.
    struct Look {
        ui::Font font;
        ui::Color color;
    };
    std::optional<Look> shownLook_;
};

} // namespace gtk
