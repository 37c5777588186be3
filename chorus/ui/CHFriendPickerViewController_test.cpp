#include "chorus/ui/CHFriendPickerViewController.h"
#include "tests/fixtures/chorus/ChorusTest.h"

#include <gtest/gtest.h>

namespace {

class CHFriendPickerTest : public ChorusTest {
protected:
    void load() {
        picker->loadData();
        ASSERT_TRUE(waitFor([&] { return !picker->isLoading(); }));
    }
    std::vector<std::string> listed() const {
        std::vector<std::string> names;
        auto& table = *picker->tableView();
        for (std::size_t row = 0; row < table.numberOfRowsInSection(0); ++row) {
            auto cell = table.cellForRowAtIndexPath(ui::IndexPath::forRow(row));
            const bool checked =
                cell && cell->accessoryType() == ui::TableViewCellAccessoryType::Checkmark;
            names.push_back((checked ? "✓ " : "") +
                            (cell ? cell->textLabel()->text() : std::string("(hidden)")));
        }
        return names;
    }
    std::vector<std::string> selectedIDs() const {
        std::vector<std::string> ids;
        for (const auto& user : picker->selection())
            ids.push_back(user.id());
        return ids;
    }

    std::shared_ptr<CHFriendPickerViewController> picker = CHFriendPickerViewController::create();
};

TEST_F(CHFriendPickerTest, TheFriendsOfTheSessionAreListedByNameAndPickedByTaps) {
    logIn();
    picker->presentModallyFromViewControllerAnimatedHandler(root, false, {});
    settle();
    load();
    using Names = std::vector<std::string>;
    EXPECT_EQ(listed(), (Names{"Ada Lovelace", "bob mercer", "Smith, John", "Zoë Weber"}));
    EXPECT_TRUE(picker->messageLabel()->isHidden());
    EXPECT_TRUE(picker->selection().empty());

    // Several at once, in the order picked; a tap on a picked one unpicks it.
    picker->tableView()->simulateTapRow(3);
    picker->tableView()->simulateTapRow(2);
    picker->tableView()->simulateTapRow(0);
    picker->tableView()->simulateTapRow(3);
    EXPECT_EQ(selectedIDs(), (Names{"1003", "1002"}));
    EXPECT_EQ(listed(), (Names{"✓ Ada Lovelace", "bob mercer", "✓ Smith, John", "Zoë Weber"}));

    // One at a time: the last pick stays, and a new pick replaces it.
    picker->setAllowsMultipleSelection(false);
    EXPECT_EQ(selectedIDs(), Names{"1002"});
    picker->tableView()->simulateTapRow(1);
    EXPECT_EQ(selectedIDs(), Names{"1004"});
    EXPECT_EQ(picker->selection()[0].name(), "bob mercer");

    // A new answer keeps the picks of friends still listed.
    server.setFriends(R"({"data": [{"id": "1004", "name": "Bob"}, {"id": "9", "name": "Al"}]})");
    load();
    EXPECT_EQ(listed(), (Names{"Al", "✓ Bob"}));
    server.setFriends(R"({"data": [{"id": "9", "name": "Al"}]})");
    load();
    EXPECT_TRUE(picker->selection().empty());
    EXPECT_EQ(server.requests("/v2.2/me/friends").size(), 3u);
}

TEST_F(CHFriendPickerTest, WithoutASessionOrAnswerTheListStaysAndTheMessageSaysWhy) {
    picker->loadData();
    EXPECT_FALSE(picker->isLoading());
    EXPECT_EQ(picker->messageLabel()->text(), "Log in to see your friends.");
    EXPECT_TRUE(server.requests("/v2.2/me/friends").empty());

    logIn();
    server.setFriends("{}", 500);
    load();
    ASSERT_TRUE(picker->loadError());
    EXPECT_EQ(picker->messageLabel()->text(), "Your friends could not be loaded.");
    EXPECT_FALSE(picker->messageLabel()->isHidden());
    EXPECT_TRUE(picker->friends().empty());
}

} // namespace
