#include "platform/ui/ActionSheet.h"

#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/Presentation.h"
#include "platform/ui/Screen.h"

namespace ui {

namespace {

constexpr double rowHeight = 44;
constexpr double sheetWidth = 320;

} // namespace

ActionSheet::ActionSheet(std::string title, std::weak_ptr<ActionSheetDelegate> delegate,
                         std::optional<std::string> cancelButtonTitle,
                         std::optional<std::string> destructiveButtonTitle,
                         std::vector<std::string> otherButtonTitles)
    : ButtonPanel(std::move(title))
    , delegate_(std::move(delegate)) {
    if (destructiveButtonTitle)
        destructiveButtonIndex_ = addButtonWithTitle(std::move(*destructiveButtonTitle));
    for (auto& other : otherButtonTitles)
        addButtonWithTitle(std::move(other));
    if (cancelButtonTitle)
        setCancelButtonIndex(addButtonWithTitle(std::move(*cancelButtonTitle)));
    titleLabel()->setFont(Font::systemFont(13));
    titleLabel()->setTextAlignment(TextAlignment::Center);
}

std::shared_ptr<ActionSheet> ActionSheet::create(std::string title,
                                                 std::weak_ptr<ActionSheetDelegate> delegate,
                                                 std::optional<std::string> cancelButtonTitle,
                                                 std::optional<std::string> destructiveButtonTitle,
                                                 std::vector<std::string> otherButtonTitles) {
    auto sheet = std::make_shared<ActionSheet>(
        std::move(title), std::move(delegate), std::move(cancelButtonTitle),
        std::move(destructiveButtonTitle), std::move(otherButtonTitles));
    sheet->buildContent();
    return sheet;
}

void ActionSheet::buildContent() {
    if (titleLabel()->superview())
        return;
    insertSubviewAtIndex(titleLabel(), 0);
    rebuildButtonViews();
}

std::int64_t ActionSheet::firstOtherButtonIndex() const {
    for (std::int64_t i = 0; i < numberOfButtons(); ++i)
        if (i != cancelButtonIndex() && i != destructiveButtonIndex_)
            return i;
    return -1;
}

void ActionSheet::forgetAnchor() {
    shownInView_.reset();
    shownFromItem_.reset();
    shownFromRect_.reset();
}

void ActionSheet::showInView(const std::shared_ptr<View>& view) {
    if (isVisible())
        return;
    forgetAnchor();
    shownInView_ = view;
    buildContent();
    present();
}

void ActionSheet::showFromBarButtonItem(const std::shared_ptr<BarButtonItem>& item, bool animated) {
    (void)animated;
    if (isVisible())
        return;
    forgetAnchor();
    shownFromItem_ = item;
    buildContent();
    present();
}

void ActionSheet::showFromRect(const Rect& rect, const std::shared_ptr<View>& view, bool animated) {
    (void)animated;
    if (isVisible())
        return;
    forgetAnchor();
    shownInView_ = view;
    shownFromRect_ = rect;
    buildContent();
    present();
}

void ActionSheet::layoutSubviews() {
    double y = 0;
    if (!title().empty()) {
        titleLabel()->setFrame(Rect(0, 8, sheetWidth, titleLabel()->font().lineHeight()));
        y = titleLabel()->frame().maxY() + 8;
    } else {
        titleLabel()->setFrame(Rect());
    }
    for (const auto& button : buttonViews()) {
        button->setFrame(Rect(0, y, sheetWidth, rowHeight));
        y += rowHeight;
    }
    const Rect screen = Screen::mainScreen().bounds();
    const Rect frame(screen.midX() - sheetWidth / 2, screen.maxY() - y, sheetWidth, y);
    setFrameIfMoved(frame);
}

void ActionSheet::notifyClicked(std::int64_t index) {
    if (auto delegate = delegate_.lock())
        delegate->actionSheetClickedButtonAtIndex(*this, index);
}

void ActionSheet::notifyWillPresent() {
    if (auto delegate = delegate_.lock())
        delegate->willPresentActionSheet(*this);
}

void ActionSheet::notifyDidPresent() {
    if (auto delegate = delegate_.lock())
        delegate->didPresentActionSheet(*this);
}

void ActionSheet::notifyWillDismiss(std::int64_t index) {
    if (auto delegate = delegate_.lock())
        delegate->actionSheetWillDismissWithButtonIndex(*this, index);
}

void ActionSheet::notifyDidDismiss(std::int64_t index) {
    if (auto delegate = delegate_.lock())
        delegate->actionSheetDidDismissWithButtonIndex(*this, index);
}

bool ActionSheet::notifyCancel() {
    auto delegate = delegate_.lock();
    if (!delegate || !delegate->respondsToActionSheetCancel())
        return false;
    delegate->actionSheetCancel(*this);
    return true;
}

void ActionSheet::registerShown() {
    Presentation::shared().add(std::static_pointer_cast<ActionSheet>(shared_from_this()));
}

} // namespace ui
