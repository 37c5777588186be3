#include "chorus/ui/CHFriendPickerViewController.h"

#include "chorus/core/CHSession.h"
#include "chorus/graph/CHRequestConnection.h"
#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"
#include "platform/base/Strings.h"

#include <algorithm>

namespace {

constexpr const char* cellIdentifier = "CHFriendCell";

} // namespace

std::shared_ptr<CHFriendPickerViewController> CHFriendPickerViewController::create() {
    base::assertMainThread();
    return std::make_shared<CHFriendPickerViewController>(Private{});
}

CHFriendPickerViewController::~CHFriendPickerViewController() {
    if (connection_)
        connection_->cancel();
}

void CHFriendPickerViewController::loadView() {
    CHViewController::loadView();
    const ui::Rect content = canvasView()->bounds();
    tableView_ = ui::TableView::create(content);
    tableView_->setAutoresizingMask(ui::ViewAutoresizingFlexibleWidth |
                                    ui::ViewAutoresizingFlexibleHeight);
    auto self = std::static_pointer_cast<CHFriendPickerViewController>(shared_from_this());
    tableView_->setDataSource(self);
    tableView_->setDelegate(self);
    canvasView()->addSubview(tableView_);

    messageLabel_ = ui::Label::create(ui::Rect(20, 20, content.size.width - 40, 60));
    messageLabel_->setTextAlignment(ui::TextAlignment::Center);
    messageLabel_->setNumberOfLines(0);
    messageLabel_->setTextColor(ui::Color::grayColor());
    messageLabel_->setAutoresizingMask(ui::ViewAutoresizingFlexibleWidth);
    messageLabel_->setHidden(true);
    canvasView()->addSubview(messageLabel_);
}

void CHFriendPickerViewController::loadData() {
    base::assertMainThread();
    if (connection_)
        connection_->cancel();
    connection_.reset();
    loadError_.reset();
    auto session = CHSession::activeSession();
    if (!session->isOpen()) {
        base::log("The friend list needs an open session.");
        showMessage("Log in to see your friends.");
        return;
    }
    showMessage("Loading your friends…");
    connection_ = CHRequestConnection::create();
    std::weak_ptr<ViewController> weak = weak_from_this();
    connection_->addRequestCompletionHandler(
        CHRequest::requestForMyFriends(),
        [weak](CHRequestConnection& connection, const base::Value& result,
               const std::optional<base::Error>& error) {
            auto self = std::static_pointer_cast<CHFriendPickerViewController>(weak.lock());
            if (!self || self->connection_.get() != &connection)
                return;
            self->connection_.reset();
            if (error) {
                base::log("The friend list could not be loaded: " + error->localizedDescription());
                self->loadError_ = error;
                self->showMessage("Your friends could not be loaded.");
                return;
            }
            self->friendsArrived(CHGraphObject::usersFromListResult(result));
        });
    connection_->start();
}

void CHFriendPickerViewController::friendsArrived(std::vector<CHGraphObject> friends) {
    std::stable_sort(friends.begin(), friends.end(), [](const auto& a, const auto& b) {
        return base::compareCaseInsensitive(a.name(), b.name()) < 0;
    });
    friends_ = std::move(friends);
    std::erase_if(picked_, [this](const std::string& id) {
        return std::none_of(friends_.begin(), friends_.end(),
                            [&](const CHGraphObject& user) { return user.id() == id; });
    });
    showMessage(friends_.empty() ? "No friends to pick." : "");
    if (tableView_)
        tableView_->reloadData();
}

void CHFriendPickerViewController::showMessage(const std::string& text) {
    if (!isViewLoaded())
        view();
    messageLabel_->setText(text);
    messageLabel_->setHidden(text.empty());
}

void CHFriendPickerViewController::setAllowsMultipleSelection(bool allows) {
    allowsMultipleSelection_ = allows;
    if (!allows && picked_.size() > 1) {
        picked_.erase(picked_.begin(), picked_.end() - 1);
        if (tableView_)
            tableView_->reloadData();
    }
}

std::vector<CHGraphObject> CHFriendPickerViewController::selection() const {
    std::vector<CHGraphObject> users;
    for (const auto& id : picked_) {
        auto found = std::find_if(friends_.begin(), friends_.end(),
                                  [&](const CHGraphObject& user) { return user.id() == id; });
        if (found != friends_.end())
            users.push_back(*found);
    }
    return users;
}

bool CHFriendPickerViewController::isPicked(const std::string& id) const {
    return std::find(picked_.begin(), picked_.end(), id) != picked_.end();
}

std::size_t CHFriendPickerViewController::tableViewNumberOfRowsInSection(ui::TableView&,
                                                                         std::size_t) {
    return friends_.size();
}

std::shared_ptr<ui::TableViewCell>
CHFriendPickerViewController::tableViewCellForRowAtIndexPath(ui::TableView& table,
                                                             ui::IndexPath path) {
    auto cell = table.dequeueReusableCellWithIdentifier(cellIdentifier);
    if (!cell)
        cell = ui::TableViewCell::create(ui::TableViewCellStyle::Default, cellIdentifier);
    if (path.row >= friends_.size())
        return cell;
    const CHGraphObject& user = friends_[path.row];
    cell->textLabel()->setText(user.name());
    const bool picked = isPicked(user.id());
    cell->setAccessoryType(picked ? ui::TableViewCellAccessoryType::Checkmark
                                  : ui::TableViewCellAccessoryType::None);
    std::shared_ptr<ui::Label> mark;
    if (picked) {
        mark = ui::Label::create(ui::Rect(0, 0, 20, 20));
        mark->setText("\u2713");
        mark->setTextColor(table.tintColor());
    }
    cell->setAccessoryView(mark);
    return cell;
}

void CHFriendPickerViewController::tableViewDidSelectRowAtIndexPath(ui::TableView& table,
                                                                    ui::IndexPath path) {
    table.deselectRowAtIndexPath(path, false);
    if (path.row >= friends_.size())
        return;
    const std::string id = friends_[path.row].id();
    if (isPicked(id))
        std::erase(picked_, id);
    else if (allowsMultipleSelection_)
        picked_.push_back(id);
    else
        picked_ = {id};
    table.reloadData();
}
