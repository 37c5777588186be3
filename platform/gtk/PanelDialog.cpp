#include "platform/gtk/PanelDialog.h"

#include "platform/ui/ActionSheet.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/ButtonPanel.h"
#include "platform/ui/TextField.h"
#include "platform/ui/Window.h"

#include <algorithm>
#include <functional>
#include <gtk/gtk.h>
#include <string>

namespace gtk {

void PanelDialog::installStyle() {
    static bool installed = false;
    if (installed || !gdk_display_get_default())
        return;
    installed = true;
    auto provider = adopt(gtk_css_provider_new());
    gtk_css_provider_load_from_data(
        provider.get(),
        ".browser-backdrop { background: rgba(0,0,0,0.4); }"
        ".browser-card { background: #f9f9f9; border-radius: 12px; padding: 0; }"
        ".browser-card.titled { padding-top: 12px; }"
        ".browser-card-title { font-weight: bold; font-size: 17px; padding: 0 16px; }"
        ".browser-card-message { font-size: 13px; padding: 2px 16px 8px 16px; }"
        ".browser-sheet-title { color: #8f8f8f; font-size: 13px; padding: 0 16px 8px 16px; }"
        ".browser-card-button { background: none; border: none; border-radius: 0;"
        " border-top: 1px solid #d6d6d6; color: #007aff; font-size: 17px; min-height: 40px;"
        " box-shadow: none; }"
        ".browser-card-button.cancel { font-weight: bold; }"
        ".browser-card-button.destructive { color: #ff3b30; }"
        ".browser-card-entry { margin: 0 16px 8px 16px; }",
        -1);
    gtk_style_context_add_provider_for_display(gdk_display_get_default(),
                                               GTK_STYLE_PROVIDER(provider.get()),
                                               GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
}

PanelDialog::PanelDialog(const std::shared_ptr<ui::ButtonPanel>& panel)
    : panel_(panel) {
    installStyle();
    backdrop_ = refSink(gtk_box_new(GTK_ORIENTATION_VERTICAL, 0));
    gtk_widget_add_css_class(backdrop_.get(), "browser-backdrop");
    gtk_widget_set_hexpand(backdrop_.get(), TRUE);
    gtk_widget_set_vexpand(backdrop_.get(), TRUE);
    // Escape closes a sheet as its cancel button does, wherever the window's focus is.
    GtkEventController* shortcuts = gtk_shortcut_controller_new();
    gtk_shortcut_controller_set_scope(GTK_SHORTCUT_CONTROLLER(shortcuts),
                                      GTK_SHORTCUT_SCOPE_GLOBAL);
    gtk_shortcut_controller_add_shortcut(
        GTK_SHORTCUT_CONTROLLER(shortcuts),
        gtk_shortcut_new(gtk_keyval_trigger_new(GDK_KEY_Escape, GdkModifierType(0)),
                         gtk_callback_action_new(
                             +[](GtkWidget*, GVariant*, gpointer self) -> gboolean {
                                 return static_cast<PanelDialog*>(self)->escapePressed();
                             },
                             this, nullptr)));
    gtk_widget_add_controller(backdrop_.get(), shortcuts);
    shortcuts_ = shortcuts;
    build();
}

PanelDialog::~PanelDialog() {
    // The shortcut's action points at this object; the widget may be held a while longer.
    gtk_widget_remove_controller(backdrop_.get(), shortcuts_);
    if (GtkWidget* parent = gtk_widget_get_parent(backdrop_.get())) {
        if (GTK_IS_OVERLAY(parent))
            gtk_overlay_remove_overlay(GTK_OVERLAY(parent), backdrop_.get());
        else
            gtk_widget_unparent(backdrop_.get());
    }
}

std::size_t PanelDialog::contentHash() const {
    auto panel = panel_.lock();
    if (!panel)
        return 0;
    std::size_t hash = std::hash<std::int64_t>{}(panel->numberOfButtons());
    auto mix = [&hash](const std::string& text) {
        hash ^= std::hash<std::string>{}(text) + 0x9e3779b97f4a7c15ULL + (hash << 6) + (hash >> 2);
    };
    for (std::int64_t i = 0; i < panel->numberOfButtons(); ++i)
        mix(panel->buttonTitleAtIndex(i));
    mix(std::to_string(panel->cancelButtonIndex()));
    if (auto alert = std::dynamic_pointer_cast<ui::AlertView>(panel)) {
        mix(alert->title());
        mix(alert->message());
        mix(std::to_string(static_cast<int>(alert->alertViewStyle())));
    } else if (auto sheet = std::dynamic_pointer_cast<ui::ActionSheet>(panel)) {
        mix(sheet->title());
        mix(std::to_string(sheet->destructiveButtonIndex()));
    }
    return hash;
}

void PanelDialog::build() {
    auto panel = panel_.lock();
    if (card_) {
        gtk_box_remove(GTK_BOX(backdrop_.get()), card_);
        card_ = nullptr;
    }
    fields_.clear();
    builtHash_ = contentHash();
    if (!panel)
        return;
    auto alert = std::dynamic_pointer_cast<ui::AlertView>(panel);
    auto sheet = std::dynamic_pointer_cast<ui::ActionSheet>(panel);

    card_ = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    gtk_widget_add_css_class(card_, "browser-card");
    if (alert) {
        gtk_widget_set_size_request(card_, 270, -1);
        gtk_widget_set_halign(card_, GTK_ALIGN_CENTER);
        gtk_widget_set_valign(card_, GTK_ALIGN_CENTER);
        gtk_widget_set_vexpand(card_, TRUE);
    } else if (const auto anchor = sheetAnchor(*sheet)) {
        placeBeside(*anchor);
    } else {
        gtk_widget_set_halign(card_, GTK_ALIGN_FILL);
        gtk_widget_set_valign(card_, GTK_ALIGN_END);
        gtk_widget_set_vexpand(card_, TRUE);
        gtk_widget_set_margin_start(card_, 8);
        gtk_widget_set_margin_end(card_, 8);
        gtk_widget_set_margin_bottom(card_, 8);
    }
    // Only a title or a message above the buttons needs room above it: an untitled sheet starts
    // with its first row.
    auto addLabel = [this](const std::string& text, const char* cssClass) {
        if (text.empty())
            return;
        gtk_widget_add_css_class(card_, "titled");
        GtkWidget* label = gtk_label_new(text.c_str());
        gtk_label_set_wrap(GTK_LABEL(label), TRUE);
        gtk_label_set_justify(GTK_LABEL(label), GTK_JUSTIFY_CENTER);
        gtk_widget_add_css_class(label, cssClass);
        gtk_box_append(GTK_BOX(card_), label);
    };
    if (alert) {
        addLabel(alert->title(), "browser-card-title");
        addLabel(alert->message(), "browser-card-message");
        const int fieldCount = alert->alertViewStyle() == ui::AlertViewStyle::LoginAndPasswordInput
                                   ? 2
                               : alert->alertViewStyle() == ui::AlertViewStyle::Default ? 0
                                                                                        : 1;
        for (int i = 0; i < fieldCount; ++i) {
            auto field = alert->textFieldAtIndex(i);
            GtkWidget* entry = gtk_entry_new();
            gtk_widget_add_css_class(entry, "browser-card-entry");
            gtk_editable_set_text(GTK_EDITABLE(entry), field->text().c_str());
            gtk_entry_set_placeholder_text(GTK_ENTRY(entry), field->placeholder().c_str());
            gtk_entry_set_visibility(GTK_ENTRY(entry), !field->isSecureTextEntry());
            g_object_set_data(G_OBJECT(entry), "browser-field-index", GINT_TO_POINTER(i));
            g_signal_connect(entry, "changed",
                             G_CALLBACK(+[](GtkEditable* editable, gpointer self) {
                                 auto* dialog = static_cast<PanelDialog*>(self);
                                 const int index = GPOINTER_TO_INT(
                                     g_object_get_data(G_OBJECT(editable), "browser-field-index"));
                                 if (index < static_cast<int>(dialog->fields_.size()))
                                     if (auto field = dialog->fields_[index].field.lock())
                                         field->setText(gtk_editable_get_text(editable));
                             }),
                             this);
            gtk_box_append(GTK_BOX(card_), entry);
            fields_.push_back(Field{field, entry});
        }
    } else if (sheet) {
        addLabel(sheet->title(), "browser-sheet-title");
    }

    // The order on screen: the other buttons by index, the cancel button last (first of two
    // side by side in an alert).
    const std::int64_t count = panel->numberOfButtons();
    const std::int64_t cancel = panel->cancelButtonIndex();
    std::vector<std::int64_t> order;
    for (std::int64_t i = 0; i < count; ++i)
        if (i != cancel)
            order.push_back(i);
    const bool sideBySide = alert && count == 2;
    if (cancel >= 0 && cancel < count) {
        if (sideBySide)
            order.insert(order.begin(), cancel);
        else
            order.push_back(cancel);
    }
    GtkWidget* row = sideBySide ? gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0) : nullptr;
    if (row) {
        gtk_box_set_homogeneous(GTK_BOX(row), TRUE);
        gtk_box_append(GTK_BOX(card_), row);
    }
    for (std::int64_t index : order) {
        GtkWidget* button = gtk_button_new_with_label(panel->buttonTitleAtIndex(index).c_str());
        gtk_widget_add_css_class(button, "browser-card-button");
        if (index == cancel)
            gtk_widget_add_css_class(button, "cancel");
        if (sheet && index == sheet->destructiveButtonIndex())
            gtk_widget_add_css_class(button, "destructive");
        g_object_set_data(G_OBJECT(button), "browser-button-index",
                          GINT_TO_POINTER(static_cast<int>(index)));
        g_signal_connect(button, "clicked", G_CALLBACK(+[](GtkButton* clicked, gpointer self) {
                             auto* dialog = static_cast<PanelDialog*>(self);
                             const int index = GPOINTER_TO_INT(
                                 g_object_get_data(G_OBJECT(clicked), "browser-button-index"));
                             if (auto panel = dialog->panel_.lock())
                                 panel->tapButton(index);
                         }),
                         this);
        gtk_box_append(GTK_BOX(row ? row : card_), button);
    }
    gtk_box_append(GTK_BOX(backdrop_.get()), card_);
}

std::optional<PanelDialog::Anchor> PanelDialog::sheetAnchor(const ui::ActionSheet& sheet) {
    std::shared_ptr<ui::View> view;
    ui::Rect rect;
    if (auto item = sheet.shownFromBarButtonItem()) {
        view = item->barView();
        rect = item->frameInBar();
    } else if (sheet.shownFromRect()) {
        view = sheet.shownInView();
        rect = *sheet.shownFromRect();
    }
    auto window = view ? view->window() : nullptr;
    if (!window)
        return std::nullopt;
    return Anchor{view->convertRectToView(rect, nullptr), window->bounds().size};
}

void PanelDialog::placeBeside(const Anchor& anchor) {
    // A popover's card: beside what it was shown from, pointing at it, rather than over it.
    // It opens away from the nearer edge of the window (up from a bottom toolbar).
    constexpr double width = 320;
    constexpr double gap = 8;
    gtk_widget_set_size_request(card_, int(width), -1);
    gtk_widget_set_halign(card_, GTK_ALIGN_START);
    gtk_widget_set_vexpand(card_, TRUE);
    const double room = std::max(gap, anchor.window.width - width - gap);
    gtk_widget_set_margin_start(card_, int(std::clamp(anchor.rect.midX() - width / 2, gap, room)));
    if (anchor.rect.midY() > anchor.window.height / 2) {
        gtk_widget_set_valign(card_, GTK_ALIGN_END);
        gtk_widget_set_margin_bottom(
            card_, int(std::max(gap, anchor.window.height - anchor.rect.minY() + gap)));
    } else {
        gtk_widget_set_valign(card_, GTK_ALIGN_START);
        gtk_widget_set_margin_top(card_, int(anchor.rect.maxY() + gap));
    }
}

bool PanelDialog::escapePressed() {
    auto sheet = std::dynamic_pointer_cast<ui::ActionSheet>(panel_.lock());
    if (!sheet || !sheet->isVisible())
        return false;
    const std::int64_t cancel = sheet->cancelButtonIndex();
    if (cancel < 0 || cancel >= sheet->numberOfButtons())
        return false;
    sheet->tapButton(cancel);
    return true;
}

void PanelDialog::sync() {
    if (contentHash() != builtHash_) {
        build();
        return;
    }
    // Text set on the fields by code shows in the entries.
    for (const Field& field : fields_)
        if (auto model = field.field.lock())
            if (model->text() != gtk_editable_get_text(GTK_EDITABLE(field.entry)))
                gtk_editable_set_text(GTK_EDITABLE(field.entry), model->text().c_str());
}

} // namespace gtk
