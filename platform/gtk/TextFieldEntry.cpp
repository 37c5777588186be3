#include "platform/gtk/TextFieldEntry.h"

#include "platform/base/Strings.h"
#include "platform/gtk/ViewPainter.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <gtk/gtk.h>

namespace gtk {

namespace {

guint16 channel(double value) {
    return static_cast<guint16>(std::clamp(value, 0.0, 1.0) * 65535.0);
}

} // namespace

void TextFieldEntry::installStyle() {
    static bool installed = false;
    if (installed || !gdk_display_get_default())
        return;
    installed = true;
    auto provider = adopt(gtk_css_provider_new());
    // The field's border and background are the window's painting of the field (ViewPainter);
    // the entry covers the field's text area alone (ViewCanvas), so its text never runs under
    // a left or right view.
    gtk_css_provider_load_from_data(provider.get(),
                                    "text.browser-field { background: transparent; min-height: 0;"
                                    " min-width: 0; padding: 0 4px; border: none;"
                                    " border-radius: 0; box-shadow: none; }",
                                    -1);
    gtk_style_context_add_provider_for_display(gdk_display_get_default(),
                                               GTK_STYLE_PROVIDER(provider.get()),
                                               GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
}

TextFieldEntry::TextFieldEntry(const std::shared_ptr<ui::TextField>& field)
    : text_(refSink(gtk_text_new()))
    , field_(field) {
    installStyle();
    gtk_widget_add_css_class(text_.get(), "browser-field");
    g_signal_connect(
        text_.get(), "insert-text",
        G_CALLBACK(+[](GtkEditable*, const char* text, int length, int* position, gpointer self) {
            static_cast<TextFieldEntry*>(self)->inserting(text, length, position);
        }),
        this);
    g_signal_connect(text_.get(), "delete-text",
                     G_CALLBACK(+[](GtkEditable*, int start, int end, gpointer self) {
                         static_cast<TextFieldEntry*>(self)->deleting(start, end);
                     }),
                     this);
    g_signal_connect(text_.get(), "activate", G_CALLBACK(+[](GtkText*, gpointer self) {
                         static_cast<TextFieldEntry*>(self)->activated();
                     }),
                     this);
    GtkEventController* focus = gtk_event_controller_focus_new();
    g_signal_connect(focus, "enter", G_CALLBACK(+[](GtkEventControllerFocus*, gpointer self) {
                         static_cast<TextFieldEntry*>(self)->focusEntered();
                     }),
                     this);
    g_signal_connect(focus, "leave", G_CALLBACK(+[](GtkEventControllerFocus*, gpointer self) {
                         static_cast<TextFieldEntry*>(self)->focusLeft();
                     }),
                     this);
    gtk_widget_add_controller(text_.get(), focus);
    GtkEventController* keys = gtk_event_controller_key_new();
    g_signal_connect(keys, "key-pressed",
                     G_CALLBACK(+[](GtkEventControllerKey*, guint key, guint, GdkModifierType,
                                    gpointer self) -> gboolean {
                         return key == GDK_KEY_Escape &&
                                static_cast<TextFieldEntry*>(self)->escapePressed();
                     }),
                     this);
    gtk_widget_add_controller(text_.get(), keys);
    sync();
}

TextFieldEntry::~TextFieldEntry() {
    g_signal_handlers_disconnect_by_data(text_.get(), this);
    // The focus controller belongs to the widget; its handlers must not outlive this object.
    auto controllers = adopt(gtk_widget_observe_controllers(text_.get()));
    for (guint i = 0; i < g_list_model_get_n_items(controllers.get()); ++i) {
        auto controller = adopt(static_cast<GObject*>(g_list_model_get_item(controllers.get(), i)));
        g_signal_handlers_disconnect_by_data(controller.get(), this);
    }
    if (gtk_widget_get_parent(text_.get()))
        gtk_widget_unparent(text_.get());
}

std::size_t TextFieldEntry::utf16Offset(const std::string& text, int characters) {
    if (characters < 0)
        return base::utf16Length(text);
    const char* end = g_utf8_offset_to_pointer(text.c_str(), characters);
    return base::utf16OffsetOfByte(text, static_cast<std::size_t>(end - text.c_str()));
}

int TextFieldEntry::characterPosition(const std::string& text, std::size_t utf16) {
    const std::size_t byte = base::byteOffsetOfUTF16(text, utf16);
    return static_cast<int>(g_utf8_pointer_to_offset(text.c_str(), text.c_str() + byte));
}

void TextFieldEntry::inserting(const char* text, int length, int* position) {
    if (pushing_)
        return;
    auto field = field_.lock();
    if (!field)
        return;
    const std::string inserted(text, length < 0 ? std::strlen(text) : std::size_t(length));
    const std::size_t at = utf16Offset(field->text(), *position);
    field->setSelectedRange(ui::TextRange{at, 0});
    if (!field->insertText(inserted)) {
        g_signal_stop_emission_by_name(text_.get(), "insert-text");
        return;
    }
    shownSelection_ = field->selectedRange();
    // The model may have changed more than was typed (its delegate, its actions): the entry
    // then shows the model's text instead.
    const std::string expected = [&] {
        std::string now(gtk_editable_get_text(GTK_EDITABLE(text_.get())));
        const char* cut = g_utf8_offset_to_pointer(now.c_str(), *position);
        now.insert(static_cast<std::size_t>(cut - now.c_str()), inserted);
        return now;
    }();
    if (expected != field->text()) {
        g_signal_stop_emission_by_name(text_.get(), "insert-text");
        sync();
    }
}

void TextFieldEntry::deleting(int start, int end) {
    if (pushing_)
        return;
    auto field = field_.lock();
    if (!field)
        return;
    const std::string before = field->text();
    const std::size_t from = utf16Offset(before, start);
    const std::size_t to = utf16Offset(before, end);
    field->setSelectedRange(ui::TextRange{from, to > from ? to - from : 0});
    if (to <= from || !field->deleteBackward()) {
        g_signal_stop_emission_by_name(text_.get(), "delete-text");
        return;
    }
    shownSelection_ = field->selectedRange();
    std::string expected(gtk_editable_get_text(GTK_EDITABLE(text_.get())));
    const char* a = g_utf8_offset_to_pointer(expected.c_str(), start);
    const char* b = end < 0 ? expected.c_str() + expected.size()
                            : g_utf8_offset_to_pointer(expected.c_str(), end);
    expected.erase(static_cast<std::size_t>(a - expected.c_str()), static_cast<std::size_t>(b - a));
    if (expected != field->text()) {
        g_signal_stop_emission_by_name(text_.get(), "delete-text");
        sync();
    }
}

void TextFieldEntry::focusEntered() {
    if (pushing_)
        return;
    auto field = field_.lock();
    if (!field || field->isFirstResponder())
        return;
    if (!field->becomeFirstResponder()) {
        // The field (or its delegate) does not take focus: neither does the entry.
        if (GtkRoot* root = gtk_widget_get_root(text_.get()))
            gtk_root_set_focus(root, nullptr);
    }
}

void TextFieldEntry::focusLeft() {
    if (pushing_)
        return;
    auto field = field_.lock();
    if (field && field->isFirstResponder())
        field->resignFirstResponder();
}

bool TextFieldEntry::escapePressed() {
    // Escape leaves the field without Return, as a click elsewhere does: editing ends.
    auto field = field_.lock();
    if (!field || !field->isFirstResponder())
        return false;
    field->resignFirstResponder();
    sync();
    return true;
}

void TextFieldEntry::activated() {
    if (auto field = field_.lock())
        field->simulateReturn();
}

void TextFieldEntry::sync() {
    auto field = field_.lock();
    if (!field)
        return;
    pushing_ = true;
    GtkText* text = GTK_TEXT(text_.get());
    if (field->text() != gtk_editable_get_text(GTK_EDITABLE(text_.get()))) {
        gtk_editable_set_text(GTK_EDITABLE(text_.get()), field->text().c_str());
        shownSelection_ = ui::TextRange{static_cast<std::size_t>(-1), 0};
    }
    const char* placeholder = gtk_text_get_placeholder_text(text);
    if (field->placeholder() != (placeholder ? placeholder : ""))
        gtk_text_set_placeholder_text(text, field->placeholder().c_str());
    if (gtk_text_get_visibility(text) == field->isSecureTextEntry())
        gtk_text_set_visibility(text, !field->isSecureTextEntry());
    if (gtk_widget_get_sensitive(text_.get()) != field->isEnabled())
        gtk_widget_set_sensitive(text_.get(), field->isEnabled());
    const float alignment = [&] {
        switch (field->textAlignment()) {
        case ui::TextAlignment::Center:
            return 0.5f;
        case ui::TextAlignment::Right:
            return 1.0f;
        default:
            return 0.0f;
        }
    }();
    if (gtk_editable_get_alignment(GTK_EDITABLE(text_.get())) != alignment)
        gtk_editable_set_alignment(GTK_EDITABLE(text_.get()), alignment);

    // New attributes lay the entry's text out again and redraw it: only for a new look.
    if (!shownLook_ || shownLook_->font != field->font() ||
        shownLook_->color != field->textColor()) {
        shownLook_ = Look{field->font(), field->textColor()};
        auto attributes = adopt(pango_attr_list_new());
        pango_attr_list_insert(
            attributes.get(),
            pango_attr_font_desc_new(ViewPainter::fontDescription(shownLook_->font).get()));
        const ui::Color& color = shownLook_->color;
        pango_attr_list_insert(attributes.get(),
                               pango_attr_foreground_new(channel(color.red), channel(color.green),
                                                         channel(color.blue)));
        gtk_text_set_attributes(text, attributes.get());
    }

    // Focus follows the model's first responder.
    const bool focused = gtk_widget_has_focus(text_.get());
    if (field->isFirstResponder() && !focused && gtk_widget_get_mapped(text_.get()))
        gtk_widget_grab_focus(text_.get());
    else if (!field->isFirstResponder() && focused)
        if (GtkRoot* root = gtk_widget_get_root(text_.get()))
            gtk_root_set_focus(root, nullptr);

    // A selection made by code (select all when editing begins, say) shows in the entry.
    if (field->selectedRange() != shownSelection_) {
        shownSelection_ = field->selectedRange();
        const int start = characterPosition(field->text(), shownSelection_.location);
        const int end =
            characterPosition(field->text(), shownSelection_.location + shownSelection_.length);
        gtk_editable_select_region(GTK_EDITABLE(text_.get()), start, end);
    }
    // Not being edited, a text too long for the field shows its start: the entry scrolls to
    // keep its cursor in view, so the cursor goes to the start (unless code selected a part).
    if (!field->isFirstResponder() && field->selectedRange().length == 0 &&
        gtk_editable_get_position(GTK_EDITABLE(text_.get())) != 0)
        gtk_editable_set_position(GTK_EDITABLE(text_.get()), 0);
    pushing_ = false;
}

} // namespace gtk
