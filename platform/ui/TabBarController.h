#pragma once

#include "platform/ui/ViewController.h"

#include <cstddef>
#include <memory>
#include <vector>

namespace ui {

// Controllers side by side behind tabs, one shown at a time: the selected one gets the
// container's appearance calls, and a change of selection while on screen makes the old
// one disappear and the new one appear.
class TabBarController : public ViewController {
public:
    TabBarController() = default;
    static std::shared_ptr<TabBarController> create() {
        return std::make_shared<TabBarController>();
    }
    std::string className() const override { return "TabBarController"; }

    const std::vector<std::shared_ptr<ViewController>>& viewControllers() const {
        return childViewControllers();
    }
    // Selects the first controller (or keeps the selected one when it stays).
    void setViewControllers(std::vector<std::shared_ptr<ViewController>> controllers);
    std::shared_ptr<ViewController> selectedViewController() const;
    // Out of range selects nothing new.
    std::size_t selectedIndex() const { return selectedIndex_; }
    void setSelectedIndex(std::size_t index);
    void setSelectedViewController(const std::shared_ptr<ViewController>& controller);

    void loadView() override;

protected:
    std::vector<std::shared_ptr<ViewController>> childrenForAppearance() const override;

private:
    void showSelected();

    std::size_t selectedIndex_ = 0;
};

} // namespace ui
