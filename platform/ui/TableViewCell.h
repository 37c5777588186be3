#pragma once

#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/View.h"

#include <memory>
#include <string>

namespace ui {

// The platform's cell styles and options, with their values.
enum class TableViewCellStyle { Default = 0, Value1 = 1, Value2 = 2, Subtitle = 3 };
enum class TableViewCellAccessoryType {
    None = 0,
    DisclosureIndicator = 1,
    DetailDisclosureButton = 2,
    Checkmark = 3,
    DetailButton = 4,
};
enum class TableViewCellSelectionStyle { None = 0, Blue = 1, Gray = 2, Default = 3 };
enum class TableViewCellEditingStyle { None = 0, Delete = 1, Insert = 2 };

// A row of a table: a content view with a text label, a detail label (all styles but the
// default one) and an image view, an accessory, and selection and editing states. Cells
// are reused: the table hands a cell back to prepareForReuse() before it shows it again.
class TableViewCell : public View {
public:
    static constexpr double defaultHeight = 44;

    explicit TableViewCell(TableViewCellStyle style = TableViewCellStyle::Default,
                           std::string reuseIdentifier = {});
    static std::shared_ptr<TableViewCell>
    create(TableViewCellStyle style = TableViewCellStyle::Default,
           std::string reuseIdentifier = {}) {
        return std::make_shared<TableViewCell>(style, std::move(reuseIdentifier));
    }
    std::string className() const override { return "TableViewCell"; }

    TableViewCellStyle style() const { return style_; }
    const std::string& reuseIdentifier() const { return reuseIdentifier_; }
    // For cells that interface files make.
    void setReuseIdentifier(std::string identifier) { reuseIdentifier_ = std::move(identifier); }

    const std::shared_ptr<View>& contentView() const { return contentView_; }
    const std::shared_ptr<Label>& textLabel() const { return textLabel_; }
    // Null for the default style.
    const std::shared_ptr<Label>& detailTextLabel() const { return detailTextLabel_; }
    const std::shared_ptr<ImageView>& imageView() const { return imageView_; }

    TableViewCellAccessoryType accessoryType() const { return accessoryType_; }
    void setAccessoryType(TableViewCellAccessoryType type) { accessoryType_ = type; }
    const std::shared_ptr<View>& accessoryView() const { return accessoryView_; }
    void setAccessoryView(std::shared_ptr<View> view);
    TableViewCellSelectionStyle selectionStyle() const { return selectionStyle_; }
    void setSelectionStyle(TableViewCellSelectionStyle style) { selectionStyle_ = style; }
    const std::shared_ptr<View>& backgroundView() const { return backgroundView_; }
    void setBackgroundView(std::shared_ptr<View> view);
    const std::shared_ptr<View>& selectedBackgroundView() const { return selectedBackgroundView_; }
    void setSelectedBackgroundView(std::shared_ptr<View> view) {
        selectedBackgroundView_ = std::move(view);
    }

    bool isSelected() const { return selected_; }
    virtual void setSelected(bool selected, bool animated);
    void setSelected(bool selected) { setSelected(selected, false); }
    bool isHighlighted() const { return highlighted_; }
    virtual void setHighlighted(bool highlighted, bool animated);
    bool isEditing() const { return editing_; }
    virtual void setEditing(bool editing, bool animated);
    // Set by the table from its delegate when the cell is shown.
    TableViewCellEditingStyle editingStyle() const { return editingStyle_; }
    void setEditingStyle(TableViewCellEditingStyle style) { editingStyle_ = style; }

    // Clears the selection, highlight and editing state; subclasses reset their own.
    virtual void prepareForReuse();

    void layoutSubviews() override;

private:
    TableViewCellStyle style_;
    std::string reuseIdentifier_;
    std::shared_ptr<View> contentView_;
    std::shared_ptr<Label> textLabel_;
    std::shared_ptr<Label> detailTextLabel_;
    std::shared_ptr<ImageView> imageView_;
    TableViewCellAccessoryType accessoryType_ = TableViewCellAccessoryType::None;
    std::shared_ptr<View> accessoryView_;
    TableViewCellSelectionStyle selectionStyle_ = TableViewCellSelectionStyle::Default;
    std::shared_ptr<View> backgroundView_;
    std::shared_ptr<View> selectedBackgroundView_;
    bool selected_ = false;
    bool highlighted_ = false;
    bool editing_ = false;
    TableViewCellEditingStyle editingStyle_ = TableViewCellEditingStyle::None;
};

} // namespace ui
