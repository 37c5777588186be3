#pragma once

#include "platform/ui/Color.h"
#include "platform/ui/Font.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/Image.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace ui {

class View;

// The platform's bar item styles and system items, with their values.
enum class BarButtonItemStyle { Plain = 0, Bordered = 1, Done = 2 };
enum class BarButtonSystemItem {
    Done = 0,
    Cancel = 1,
    Edit = 2,
    Save = 3,
    Add = 4,
    FlexibleSpace = 5,
    FixedSpace = 6,
    Compose = 7,
    Reply = 8,
    Action = 9,
    Organize = 10,
    Bookmarks = 11,
    Search = 12,
    Refresh = 13,
    Stop = 14,
    Camera = 15,
    Trash = 16,
    Play = 17,
    Pause = 18,
    Rewind = 19,
    FastForward = 20,
    Undo = 21,
    Redo = 22,
    PageCurl = 23,
};

// A button on a toolbar or navigation bar: not a view, but a description the bar lays out.
// It sends one action (target identity, name, function) with itself as sender when tapped.
// Once a bar has laid it out it knows its frame in that bar.
class BarButtonItem : public std::enable_shared_from_this<BarButtonItem> {
public:
    using Action = std::function<void(BarButtonItem& sender)>;

    BarButtonItem() = default;
    BarButtonItem(const BarButtonItem&) = delete;
    BarButtonItem& operator=(const BarButtonItem&) = delete;

    static std::shared_ptr<BarButtonItem> createWithTitle(std::string title,
                                                          BarButtonItemStyle style);
    static std::shared_ptr<BarButtonItem> createWithImage(std::shared_ptr<Image> image,
                                                          BarButtonItemStyle style);
    static std::shared_ptr<BarButtonItem> createWithSystemItem(BarButtonSystemItem item);
    static std::shared_ptr<BarButtonItem> createWithCustomView(std::shared_ptr<View> view);
    static std::shared_ptr<BarButtonItem> flexibleSpace() {
        return createWithSystemItem(BarButtonSystemItem::FlexibleSpace);
    }
    static std::shared_ptr<BarButtonItem> fixedSpace(double width);

    const std::optional<BarButtonSystemItem>& systemItem() const { return systemItem_; }
    bool isSpace() const;
    const std::string& title() const { return title_; }
    void setTitle(std::string title) { title_ = std::move(title); }
    const std::shared_ptr<Image>& image() const { return image_; }
    void setImage(std::shared_ptr<Image> image) { image_ = std::move(image); }
    BarButtonItemStyle style() const { return style_; }
    void setStyle(BarButtonItemStyle style) { style_ = style; }
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled) { enabled_ = enabled; }
    std::int64_t tag() const { return tag_; }
    void setTag(std::int64_t tag) { tag_ = tag; }
    // 0 means the natural width.
    double width() const { return width_; }
    void setWidth(double width) { width_ = width; }
    const std::optional<Color>& tintColor() const { return tintColor_; }
    void setTintColor(std::optional<Color> color) { tintColor_ = color; }
    const std::shared_ptr<View>& customView() const { return customView_; }
    void setCustomView(std::shared_ptr<View> view) { customView_ = std::move(view); }
    const std::string& accessibilityLabel() const { return accessibilityLabel_; }
    void setAccessibilityLabel(std::string label) { accessibilityLabel_ = std::move(label); }

    // One action at a time; setting replaces the previous one.
    void setAction(const void* target, std::string actionName, Action action);
    const void* target() const { return target_; }
    const std::string& actionName() const { return actionName_; }
    bool hasAction() const { return static_cast<bool>(action_); }
    // Sends the action when the item is enabled and has one; returns whether it was sent.
    bool sendAction();
    bool simulateTap() { return sendAction(); }

    // The font bars draw the item's title in: bold for the done style.
    Font titleFont() const;
    // The width a bar gives the item when it has no width of its own (spaces excepted): a
    // title's is its measure in titleFont() (Label::measure).
    double naturalWidth() const;

    // Where the last bar that laid the item out put it, in that bar's coordinates; null
    // before any layout or after the item left the bar.
    std::shared_ptr<View> barView() const { return bar_.lock(); }
    const Rect& frameInBar() const { return frameInBar_; }
    void setLayout(const std::shared_ptr<View>& bar, const Rect& frame);
    void clearLayout(const View* bar);

private:
    std::optional<BarButtonSystemItem> systemItem_;
    std::string title_;
    std::shared_ptr<Image> image_;
    BarButtonItemStyle style_ = BarButtonItemStyle::Plain;
    bool enabled_ = true;
    std::int64_t tag_ = 0;
    double width_ = 0;
    std::optional<Color> tintColor_;
    std::shared_ptr<View> customView_;
    std::string accessibilityLabel_;
    const void* target_ = nullptr;
    std::string actionName_;
    Action action_;
    std::weak_ptr<View> bar_;
    Rect frameInBar_;
};

} // namespace ui
