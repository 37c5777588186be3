#include "platform/ui/TableViewCell.h"

#include <algorithm>

namespace ui {

TableViewCell::TableViewCell(TableViewCellStyle style, std::string reuseIdentifier)
    : View(Rect(0, 0, 320, defaultHeight))
    , style_(style)
    , reuseIdentifier_(std::move(reuseIdentifier)) {
    setBackgroundColor(Color::whiteColor());
    contentView_ = std::make_shared<View>(bounds());
    contentView_->setAutoresizingMask(ViewAutoresizingFlexibleWidth |
                                      ViewAutoresizingFlexibleHeight);
    addSubview(contentView_);
    imageView_ = std::make_shared<ImageView>();
    contentView_->addSubview(imageView_);
    textLabel_ = std::make_shared<Label>();
    contentView_->addSubview(textLabel_);
    if (style != TableViewCellStyle::Default) {
        detailTextLabel_ = std::make_shared<Label>();
        detailTextLabel_->setFont(
            Font::systemFont(style == TableViewCellStyle::Subtitle ? 12 : 17));
        detailTextLabel_->setTextColor(Color::grayColor());
        contentView_->addSubview(detailTextLabel_);
    }
}

void TableViewCell::setAccessoryView(std::shared_ptr<View> view) {
    if (accessoryView_ && accessoryView_->superviewPointer() == this)
        accessoryView_->removeFromSuperview();
    accessoryView_ = std::move(view);
    if (accessoryView_)
        addSubview(accessoryView_);
    setNeedsLayout();
}

void TableViewCell::setBackgroundView(std::shared_ptr<View> view) {
    if (backgroundView_ && backgroundView_->superviewPointer() == this)
        backgroundView_->removeFromSuperview();
    backgroundView_ = std::move(view);
    if (backgroundView_) {
        backgroundView_->setFrame(bounds());
        insertSubviewAtIndex(backgroundView_, 0);
    }
}

void TableViewCell::setSelected(bool selected, bool) {
    selected_ = selected;
    const bool shows = selected && selectionStyle_ != TableViewCellSelectionStyle::None;
    textLabel_->setHighlighted(shows);
    if (detailTextLabel_)
        detailTextLabel_->setHighlighted(shows);
    imageView_->setHighlighted(shows);
    setNeedsDisplay();
}

void TableViewCell::setHighlighted(bool highlighted, bool) {
    highlighted_ = highlighted;
    setNeedsDisplay();
}

void TableViewCell::setEditing(bool editing, bool) {
    editing_ = editing;
    setNeedsLayout();
}

void TableViewCell::prepareForReuse() {
    setSelected(false, false);
    setHighlighted(false, false);
    setEditing(false, false);
}

void TableViewCell::layoutSubviews() {
    const Rect b = bounds();
    double accessoryWidth = 0;
    if (accessoryView_) {
        const Rect f = accessoryView_->frame();
        accessoryWidth = f.width() + 15;
        accessoryView_->setFrame(
            Rect(b.maxX() - accessoryWidth, b.midY() - f.height() / 2, f.width(), f.height()));
    } else if (accessoryType_ != TableViewCellAccessoryType::None) {
        accessoryWidth = 33;
    }
    if (backgroundView_)
        backgroundView_->setFrame(b);
    const Rect content = contentView_->bounds();
    const double right = content.maxX() - accessoryWidth - 15;
    double x = content.minX() + 15;
    if (const auto& image = imageView_->image()) {
        const Size size = image->size();
        imageView_->setFrame(Rect(x, content.midY() - size.height / 2, size.width, size.height));
        x += size.width + 15;
    } else {
        imageView_->setFrame(Rect(x, content.midY(), 0, 0));
    }
    const double width = std::max(0.0, right - x);
    const double line = textLabel_->font().lineHeight();
    switch (style_) {
    case TableViewCellStyle::Default:
        textLabel_->setFrame(Rect(x, content.midY() - line / 2, width, line));
        break;
    case TableViewCellStyle::Value1:
    case TableViewCellStyle::Value2:
        textLabel_->setFrame(Rect(x, content.midY() - line / 2, width / 2, line));
        detailTextLabel_->setFrame(Rect(x + width / 2, content.midY() - line / 2, width / 2, line));
        break;
    case TableViewCellStyle::Subtitle: {
        const double detailLine = detailTextLabel_->font().lineHeight();
        const double top = content.midY() - (line + detailLine) / 2;
        textLabel_->setFrame(Rect(x, top, width, line));
        detailTextLabel_->setFrame(Rect(x, top + line, width, detailLine));
        break;
    }
    }
}

} // namespace ui
