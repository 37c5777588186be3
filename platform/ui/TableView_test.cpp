#include "platform/base/ProcessWide.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Application.h"
#include "platform/ui/TableView.h"
#include "platform/ui/Window.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace ui {
namespace {

class TableViewTest : public testing_support::PlatformTest {};

class CountingCell : public TableViewCell {
public:
    using TableViewCell::TableViewCell;
    void prepareForReuse() override {
        TableViewCell::prepareForReuse();
        ++reuses;
    }
    int reuses = 0;
};

// Rows are strings; cells come from the table's pool when it has one.
class Rows : public TableViewDataSource, public TableViewDelegate {
public:
    std::size_t tableViewNumberOfRowsInSection(TableView&, std::size_t) override {
        return rows.size();
    }
    std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView& table,
                                                                  IndexPath path) override {
        if (returnNothing)
            return nullptr;
        auto cell = table.dequeueReusableCellWithIdentifier("Row");
        if (!cell) {
            cell = std::make_shared<CountingCell>(TableViewCellStyle::Default, "Row");
            ++created;
        }
        cell->textLabel()->setText(rows.at(path.row));
        return cell;
    }
    void tableViewCommitEditingStyleForRowAtIndexPath(TableView&, TableViewCellEditingStyle,
                                                      IndexPath path) override {
        committed.push_back(path.row);
    }
    bool tableViewCanEditRowAtIndexPath(TableView&, IndexPath path) override {
        return path.row != 0;
    }
    std::optional<double> tableViewHeightForRowAtIndexPath(TableView&, IndexPath path) override {
        if (path.row == 1 && tallSecondRow)
            return 100.0;
        return std::nullopt;
    }
    std::optional<IndexPath> tableViewWillSelectRowAtIndexPath(TableView&,
                                                               IndexPath path) override {
        events.push_back("willSelect " + std::to_string(path.row));
        if (path.row == refusedRow)
            return std::nullopt;
        return path;
    }
    void tableViewDidSelectRowAtIndexPath(TableView&, IndexPath path) override {
        events.push_back("didSelect " + std::to_string(path.row));
    }
    void tableViewDidDeselectRowAtIndexPath(TableView&, IndexPath path) override {
        events.push_back("didDeselect " + std::to_string(path.row));
    }

    std::vector<std::string> rows;
    std::vector<std::size_t> committed;
    std::vector<std::string> events;
    int created = 0;
    bool returnNothing = false;
    bool tallSecondRow = false;
    std::size_t refusedRow = 999;
};

std::vector<std::string> shownTexts(const TableView& table) {
    std::vector<std::string> texts;
    for (const auto& cell : table.visibleCells())
        texts.push_back(cell->textLabel()->text());
    return texts;
}

struct Fixture {
    Fixture(std::vector<std::string> rows, double height = 440) {
        source->rows = std::move(rows);
        table = TableView::create(Rect(0, 0, 320, height));
        table->setDataSource(source);
        table->setDelegate(source);
    }
    std::shared_ptr<Rows> source = std::make_shared<Rows>();
    std::shared_ptr<TableView> table;
};

TEST_F(TableViewTest, ReloadHandsTheSameCellsBackThroughTheReusePool) {
    Fixture f({"a", "b", "c"});
    f.table->reloadData();
    EXPECT_EQ(f.source->created, 3);
    std::set<TableViewCell*> first;
    for (const auto& cell : f.table->visibleCells())
        first.insert(cell.get());
    f.table->selectRowAtIndexPath(IndexPath::forRow(1), false, TableViewScrollPosition::None);
    ASSERT_TRUE(f.table->cellForRowAtIndexPath(IndexPath::forRow(1))->isSelected());

    f.source->rows = {"x", "y", "z"};
    f.table->reloadData();
    EXPECT_EQ(f.source->created, 3);
    std::set<TableViewCell*> second;
    for (const auto& cell : f.table->visibleCells()) {
        second.insert(cell.get());
        EXPECT_FALSE(cell->isSelected()); // prepared for reuse
        EXPECT_EQ(static_cast<CountingCell&>(*cell).reuses, 1);
    }
    EXPECT_EQ(first, second);
    EXPECT_EQ(shownTexts(*f.table), (std::vector<std::string>{"x", "y", "z"}));
    EXPECT_EQ(f.table->indexPathForSelectedRow(), std::nullopt);
    EXPECT_EQ(f.table->dequeueReusableCellWithIdentifier("Other"), nullptr);
}

TEST_F(TableViewTest, OnlyVisibleRowsHaveCellsAndScrollingRecyclesThem) {
    std::vector<std::string> rows;
    for (int i = 0; i < 50; ++i)
        rows.push_back("row " + std::to_string(i));
    Fixture f(rows, 440); // ten rows of 44 points
    f.table->reloadData();
    EXPECT_EQ(f.table->visibleCells().size(), 10u);
    EXPECT_EQ(f.table->contentSize(), Size(320, 50 * 44));
    EXPECT_EQ(f.table->cellForRowAtIndexPath(IndexPath::forRow(20)), nullptr);

    f.table->setContentOffset(Point(0, 44 * 20));
    EXPECT_EQ(f.source->created, 10);
    ASSERT_NE(f.table->cellForRowAtIndexPath(IndexPath::forRow(20)), nullptr);
    EXPECT_EQ(f.table->cellForRowAtIndexPath(IndexPath::forRow(20))->textLabel()->text(), "row 20");
    EXPECT_EQ(f.table->cellForRowAtIndexPath(IndexPath::forRow(20))->frame(),
              Rect(0, 880, 320, 44));
    EXPECT_EQ(f.table->indexPathForRowAtPoint(Point(5, 44 * 25 + 1)), IndexPath::forRow(25));
}

TEST_F(TableViewTest, RowHeightsComeFromTheDelegate) {
    Fixture f({"a", "b", "c"});
    f.source->tallSecondRow = true;
    f.table->reloadData();
    EXPECT_EQ(f.table->rectForRowAtIndexPath(IndexPath::forRow(2)), Rect(0, 144, 320, 44));
    EXPECT_EQ(f.table->contentSize().height, 188);
}

TEST_F(TableViewTest, DeletingRowsTheDataSourceStillHasIsAnInconsistency) {
    Fixture f({"a", "b", "c", "d"});
    f.table->reloadData();
    EXPECT_THROW(
        f.table->deleteRowsAtIndexPaths({IndexPath::forRow(1)}, TableViewRowAnimation::Right),
        std::logic_error);
    EXPECT_EQ(f.table->numberOfRowsInSection(0), 4u);
    EXPECT_EQ(shownTexts(*f.table), (std::vector<std::string>{"a", "b", "c", "d"}));

    // Removed from the rows first: the table follows, and later rows move up.
    f.table->selectRowAtIndexPath(IndexPath::forRow(3), false, TableViewScrollPosition::None);
    f.source->rows.erase(f.source->rows.begin() + 1);
    f.table->deleteRowsAtIndexPaths({IndexPath::forRow(1)}, TableViewRowAnimation::Right);
    EXPECT_EQ(f.table->numberOfRowsInSection(0), 3u);
    EXPECT_EQ(shownTexts(*f.table), (std::vector<std::string>{"a", "c", "d"}));
    EXPECT_EQ(f.table->cellForRowAtIndexPath(IndexPath::forRow(2))->frame().origin.y, 88);
    EXPECT_EQ(f.table->indexPathForSelectedRow(), IndexPath::forRow(2));

    // Two rows gone from the source but only one deleted: refused again.
    f.source->rows.resize(1);
    EXPECT_THROW(
        f.table->deleteRowsAtIndexPaths({IndexPath::forRow(0)}, TableViewRowAnimation::Fade),
        std::logic_error);
    EXPECT_THROW(
        f.table->deleteRowsAtIndexPaths({IndexPath::forRow(7)}, TableViewRowAnimation::Fade),
        std::logic_error);
}

TEST_F(TableViewTest, ADataSourceWithoutACellIsAnError) {
    Fixture f({"a"});
    f.source->returnNothing = true;
    EXPECT_THROW(f.table->reloadData(), std::logic_error);
}

TEST_F(TableViewTest, TappingARowRunsTheSelectionSequence) {
    Fixture f({"a", "b", "c"});
    f.table->reloadData();
    EXPECT_TRUE(f.table->simulateTapRow(0));
    EXPECT_TRUE(f.table->simulateTapRow(2));
    EXPECT_EQ(f.source->events,
              (std::vector<std::string>{"willSelect 0", "didSelect 0", "willSelect 2",
                                        "didDeselect 0", "didSelect 2"}));
    EXPECT_EQ(f.table->indexPathForSelectedRow(), IndexPath::forRow(2));
    EXPECT_FALSE(f.table->cellForRowAtIndexPath(IndexPath::forRow(0))->isSelected());
    EXPECT_TRUE(f.table->cellForRowAtIndexPath(IndexPath::forRow(2))->isSelected());

    f.source->events.clear();
    f.source->refusedRow = 1;
    EXPECT_FALSE(f.table->simulateTapRow(1));
    EXPECT_EQ(f.source->events, std::vector<std::string>{"willSelect 1"});
    EXPECT_EQ(f.table->indexPathForSelectedRow(), IndexPath::forRow(2));
    EXPECT_FALSE(f.table->simulateTapRow(3));

    // While editing, rows are not selected unless allowed.
    f.table->setEditing(true, false);
    EXPECT_TRUE(f.table->cellForRowAtIndexPath(IndexPath::forRow(0))->isEditing());
    EXPECT_FALSE(f.table->simulateTapRow(0));
    f.table->setAllowsSelectionDuringEditing(true);
    EXPECT_TRUE(f.table->simulateTapRow(0));
}

TEST_F(TableViewTest, ATapOnARowInTheWindowSelectsIt) {
    base::resetProcessServicesForTesting();
    auto window = Window::create(Rect(0, 0, 320, 480));
    window->makeKeyAndVisible();
    Fixture f({"a", "b", "c"});
    f.table->setFrame(Rect(0, 20, 320, 440));
    window->addSubview(f.table);
    f.table->reloadData();
    f.table->setContentOffset(Point(0, 44)); // row 1 at the top

    window->simulateTap(Point(100, 20 + 50)); // second visible row: row 2
    EXPECT_EQ(f.source->events, (std::vector<std::string>{"willSelect 2", "didSelect 2"}));
    window.reset();
    base::resetProcessServicesForTesting();
}

TEST_F(TableViewTest, DeleteControlCommitsOnlyEditableRows) {
    Fixture f({"a", "b"});
    f.table->reloadData();
    EXPECT_FALSE(f.table->simulateDeleteRow(0));
    EXPECT_TRUE(f.table->simulateDeleteRow(1));
    EXPECT_EQ(f.source->committed, std::vector<std::size_t>{1});
}

TEST_F(TableViewTest, TheFirstLayoutLoadsTheRows) {
    Fixture f({"a", "b"});
    EXPECT_TRUE(f.table->visibleCells().empty());
    f.table->layoutIfNeeded();
    EXPECT_EQ(shownTexts(*f.table), (std::vector<std::string>{"a", "b"}));
}

TEST_F(TableViewTest, InsertingChecksTheNewCount) {
    Fixture f({"a", "c"});
    f.table->reloadData();
    EXPECT_THROW(
        f.table->insertRowsAtIndexPaths({IndexPath::forRow(1)}, TableViewRowAnimation::Fade),
        std::logic_error);
    f.source->rows.insert(f.source->rows.begin() + 1, "b");
    f.table->insertRowsAtIndexPaths({IndexPath::forRow(1)}, TableViewRowAnimation::Fade);
    EXPECT_EQ(shownTexts(*f.table), (std::vector<std::string>{"a", "b", "c"}));
}

} // namespace
} // namespace ui
