#pragma once

#include "chorus/graph/CHGraphObject.h"
#include "chorus/ui/CHViewController.h"
#include "platform/base/Error.h"
#include "platform/ui/Label.h"
#include "platform/ui/TableView.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class CHRequestConnection;

// A list of the user's friends to pick from, by name, with a check mark on each picked one.
// loadData() asks the server for the friends of the active session; the list shows them in
// the order of their names. A tap picks a friend or, on a picked one, unpicks it; with single
// selection a new pick replaces the old one. Main thread only.
class CHFriendPickerViewController : public CHViewController,
                                     public ui::TableViewDataSource,
                                     public ui::TableViewDelegate {
    struct Private {};

public:
    static std::shared_ptr<CHFriendPickerViewController> create();
    explicit CHFriendPickerViewController(Private) {}
    ~CHFriendPickerViewController() override;
    std::string className() const override { return "CHFriendPickerViewController"; }

    // Starts loading the friends; the answer replaces the list and keeps the picks of friends
    // still in it. A load still under way is dropped. Without an open session, or when the
    // load fails, the list stays as it was and the message under it says why.
    void loadData();
    bool isLoading() const { return connection_ != nullptr; }
    const std::optional<base::Error>& loadError() const { return loadError_; }

    bool allowsMultipleSelection() const { return allowsMultipleSelection_; }
    // Turning multiple selection off keeps only the last pick.
    void setAllowsMultipleSelection(bool allows);
    // The picked friends, in the order they were picked; empty when none is.
    std::vector<CHGraphObject> selection() const;
    // The friends listed, in list order.
    const std::vector<CHGraphObject>& friends() const { return friends_; }

    // Set once the view is loaded.
    const std::shared_ptr<ui::TableView>& tableView() const { return tableView_; }
    const std::shared_ptr<ui::Label>& messageLabel() const { return messageLabel_; }

    void loadView() override;

    // ui::TableViewDataSource.
    std::size_t tableViewNumberOfRowsInSection(ui::TableView&, std::size_t section) override;
    std::shared_ptr<ui::TableViewCell> tableViewCellForRowAtIndexPath(ui::TableView&,
                                                                      ui::IndexPath) override;
    bool tableViewCanEditRowAtIndexPath(ui::TableView&, ui::IndexPath) override { return false; }
    // ui::TableViewDelegate.
    void tableViewDidSelectRowAtIndexPath(ui::TableView& table, ui::IndexPath path) override;

private:
    void friendsArrived(std::vector<CHGraphObject> friends);
    void showMessage(const std::string& text);
    bool isPicked(const std::string& id) const;

    std::vector<CHGraphObject> friends_;
    // Identifiers of the picked friends, in pick order.
    std::vector<std::string> picked_;
    bool allowsMultipleSelection_ = true;
    std::shared_ptr<CHRequestConnection> connection_;
    std::optional<base::Error> loadError_;
    std::shared_ptr<ui::TableView> tableView_;
    std::shared_ptr<ui::Label> messageLabel_;
};
