#pragma once

#include "platform/ui/AlertView.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

// An alert with a plain look: white, without the platform's background image, its labels in
// black "Futura Medium" 25, wrapped at word boundaries over as many lines as they need. Touches
// that begin on the alert's own surface go nowhere. An interface file can make it as
// "myAlertView".
class myAlertView : public ui::AlertView {
public:
    static constexpr const char* interfaceClassName = "myAlertView";

    using ui::AlertView::AlertView;
    static std::shared_ptr<myAlertView> create(std::string title = {}, std::string message = {},
                                               std::weak_ptr<ui::AlertViewDelegate> delegate = {},
                                               std::optional<std::string> cancelButtonTitle = {},
                                               std::vector<std::string> otherButtonTitles = {});
    std::string className() const override { return interfaceClassName; }

    // The plain look on its direct subviews: image views (exactly of that class) hidden, labels
    // (exactly of that class) restyled. The alert's own layout is not run first.
    void layoutSubviews() override;
    void touchesBegan(const ui::TouchSet& touches, const ui::Event* event) override;

    static void registerInterfaceClass();
};
