#pragma once

#include <cstdint>
#include <memory>
#include <variant>
#include <vector>

namespace ui {

class ActionSheet;
class AlertView;
class PopoverController;
class ViewController;

// What is on screen above the windows' own views: alerts, action sheets, modally presented
// controllers (composers and sheets among them) and popovers, bottom-most first. The shown
// objects register themselves; the drawer shows them and tests find and tap them here. The
// registry keeps what it lists alive, as the platform keeps a shown alert. Main thread only.
class Presentation {
public:
    using Item = std::variant<std::shared_ptr<AlertView>, std::shared_ptr<ActionSheet>,
                              std::shared_ptr<ViewController>, std::shared_ptr<PopoverController>>;

    static Presentation& shared();

    const std::vector<Item>& items() const { return items_; }
    bool empty() const { return items_.empty(); }

    std::shared_ptr<AlertView> topAlertView() const;
    std::shared_ptr<ActionSheet> topActionSheet() const;
    std::shared_ptr<ViewController> topViewController() const;
    std::shared_ptr<PopoverController> topPopoverController() const;
    // The top-most presented controller of class T (MailComposer, ShareSheet, ...).
    template <class T> std::shared_ptr<T> topController() const {
        for (auto it = items_.rbegin(); it != items_.rend(); ++it)
            if (auto* controller = std::get_if<std::shared_ptr<ViewController>>(&*it))
                if (auto found = std::dynamic_pointer_cast<T>(*controller))
                    return found;
        return nullptr;
    }

    // A user's tap on button `index` of the top-most alert or action sheet. False when
    // neither is shown or the index names no button.
    bool tapButton(std::int64_t index);

    // For the shown objects: register on showing, unregister on going away.
    void add(Item item);
    void remove(const void* object);

    // Forgets everything (tests).
    void reset() { items_.clear(); }

private:
    std::vector<Item> items_;
};

} // namespace ui
