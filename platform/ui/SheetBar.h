#pragma once

#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Label.h"
#include "platform/ui/Toolbar.h"
#include "platform/ui/View.h"

#include <memory>
#include <string>
#include <vector>

namespace ui {

// The bar across the top of a modal sheet (a mail being written, a post, a picker): buttons on
// the left and on the right, and the title in the middle between them. The title takes no
// touches, so the buttons get every tap meant for them.
class SheetBar : public View {
    struct Private {};

public:
    static constexpr double height = 44;
    // The least room between the title and an item.
    static constexpr double titleSpacing = 8;

    static std::shared_ptr<SheetBar> create(const Rect& frame = Rect());
    SheetBar(Private, const Rect& frame);
    std::string className() const override { return "SheetBar"; }

    const std::string& title() const { return titleLabel_->text(); }
    void setTitle(std::string title) {
        titleLabel_->setText(std::move(title));
        setNeedsLayout();
    }
    void setItems(std::vector<std::shared_ptr<BarButtonItem>> left,
                  std::vector<std::shared_ptr<BarButtonItem>> right);

    const std::shared_ptr<Toolbar>& toolbar() const { return toolbar_; }
    const std::shared_ptr<Label>& titleLabel() const { return titleLabel_; }
    // Where an item is, in the coordinates of `view` (the window for null): for taps.
    Rect frameOfItem(const BarButtonItem& item, const View* view) const;

    // A height for a label of a sheet's content, `width` wide: room for its text as the drawer
    // sets it, which takes more than the headless measure, and no more than `room`. The
    // drawer centres text in its label, so the text then stands near the label's top.
    static double textHeight(const Label& label, double width, double room);

    void layoutSubviews() override;

private:
    std::shared_ptr<Toolbar> toolbar_;
    std::shared_ptr<Label> titleLabel_;
};

} // namespace ui
