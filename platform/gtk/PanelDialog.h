#pragma once

#include "platform/gtk/GOwned.h"
#include "platform/ui/Geometry.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

typedef struct _GtkWidget GtkWidget;
typedef struct _GtkEventController GtkEventController;

namespace ui {
class ActionSheet;
class ButtonPanel;
class TextField;
} // namespace ui

namespace gtk {

// An alert or action sheet on screen, drawn as a dialog over the window's content: a dimmed
// backdrop and a card with the title, message, the alert's text fields and one button per
// index. The cancel button comes last (on the left of a two-button alert), a destructive
// button is red. A click is the user's tap on that index (ButtonPanel::tapButton); the text
// entered in an alert's fields goes into its ui::TextFields. Escape is a tap on a sheet's
// cancel button. A sheet shown from a bar item or a rectangle (a pad's popover) stands beside
// it instead of over the foot of the window.
class PanelDialog {
public:
    explicit PanelDialog(const std::shared_ptr<ui::ButtonPanel>& panel);
    ~PanelDialog();
    PanelDialog(const PanelDialog&) = delete;
    PanelDialog& operator=(const PanelDialog&) = delete;

    // The backdrop with the card, for an overlay over the window.
    GtkWidget* widget() const { return backdrop_.get(); }
    std::shared_ptr<ui::ButtonPanel> panel() const { return panel_.lock(); }

    // Rebuilds the card when the panel's content changed.
    void sync();

    // The CSS of the dialogs, installed once for the display.
    static void installStyle();

private:
    void build();
    std::size_t contentHash() const;
    // Whether the key was taken: it cancelled the sheet.
    bool escapePressed();
    // What a sheet was shown from (a bar item, a rectangle of a view), in the window.
    struct Anchor {
        ui::Rect rect;
        ui::Size window;
    };
    static std::optional<Anchor> sheetAnchor(const ui::ActionSheet& sheet);
    void placeBeside(const Anchor& anchor);

    struct Field {
        std::weak_ptr<ui::TextField> field;
        GtkWidget* entry;
    };

    std::weak_ptr<ui::ButtonPanel> panel_;
    GOwned<GtkWidget> backdrop_;
    GtkWidget* card_ = nullptr;
    // Owned by the backdrop.
    GtkEventController* shortcuts_ = nullptr;
    std::vector<Field> fields_;
    std::size_t builtHash_ = 0;
};

} // namespace gtk
