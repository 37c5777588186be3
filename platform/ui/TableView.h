#pragma once

#include "platform/ui/IndexPath.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/TableViewCell.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ui {

class TableView;

enum class TableViewStyle { Plain = 0, Grouped = 1 };
enum class TableViewRowAnimation {
    Fade = 0,
    Right = 1,
    Left = 2,
    Top = 3,
    Bottom = 4,
    None = 5,
    Middle = 6,
    Automatic = 100,
};
enum class TableViewScrollPosition { None = 0, Top = 1, Middle = 2, Bottom = 3 };

// Where a table gets its rows. One section: the table asks for section 0 only.
class TableViewDataSource {
public:
    virtual ~TableViewDataSource() = default;
    virtual std::size_t tableViewNumberOfRowsInSection(TableView&, std::size_t section) = 0;
    virtual std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView&,
                                                                          IndexPath) = 0;
    virtual bool tableViewCanEditRowAtIndexPath(TableView&, IndexPath) { return true; }
    virtual void tableViewCommitEditingStyleForRowAtIndexPath(TableView&, TableViewCellEditingStyle,
                                                              IndexPath) {}
};

// What a table asks and tells its delegate; it also hears the scroll view's calls. The
// defaults behave as a delegate that does not answer.
class TableViewDelegate : public ScrollViewDelegate {
public:
    // nullopt: the table's rowHeight.
    virtual std::optional<double> tableViewHeightForRowAtIndexPath(TableView&, IndexPath) {
        return std::nullopt;
    }
    virtual void tableViewWillDisplayCellForRowAtIndexPath(TableView&, TableViewCell&, IndexPath) {}
    // The row to select instead, or nullopt to select nothing.
    virtual std::optional<IndexPath> tableViewWillSelectRowAtIndexPath(TableView&, IndexPath path) {
        return path;
    }
    virtual void tableViewDidSelectRowAtIndexPath(TableView&, IndexPath) {}
    virtual std::optional<IndexPath> tableViewWillDeselectRowAtIndexPath(TableView&,
                                                                         IndexPath path) {
        return path;
    }
    virtual void tableViewDidDeselectRowAtIndexPath(TableView&, IndexPath) {}
    virtual TableViewCellEditingStyle tableViewEditingStyleForRowAtIndexPath(TableView&,
                                                                             IndexPath) {
        return TableViewCellEditingStyle::Delete;
    }
    virtual void tableViewAccessoryButtonTappedForRowWithIndexPath(TableView&, IndexPath) {}
};

// A scrolling list of rows in one section. The table asks its data source for the rows it
// shows, keeps the cells of visible rows as subviews, and puts the cells of rows that leave
// the screen (or of every row on reloadData) in a pool by reuse identifier, from which
// dequeueReusableCellWithIdentifier hands them out again.
class TableView : public ScrollView {
public:
    explicit TableView(const Rect& frame = Rect(), TableViewStyle style = TableViewStyle::Plain);
    static std::shared_ptr<TableView> create(const Rect& frame = Rect(),
                                             TableViewStyle style = TableViewStyle::Plain) {
        return std::make_shared<TableView>(frame, style);
    }
    std::string className() const override { return "TableView"; }

    TableViewStyle style() const { return style_; }

    // Both held weakly; setting the delegate also makes it the scroll view delegate.
    std::shared_ptr<TableViewDataSource> dataSource() const { return dataSource_.lock(); }
    void setDataSource(const std::shared_ptr<TableViewDataSource>& dataSource);
    std::shared_ptr<TableViewDelegate> tableDelegate() const { return tableDelegate_.lock(); }
    void setDelegate(const std::shared_ptr<TableViewDelegate>& delegate);

    double rowHeight() const { return rowHeight_; }
    void setRowHeight(double height) { rowHeight_ = height; }

    // Asks the data source again for everything; clears the selection.
    void reloadData();
    std::size_t numberOfSections() const { return 1; }
    std::size_t numberOfRowsInSection(std::size_t section) const;

    // A cell from the reuse pool (prepared for reuse), or a new one from a registered
    // factory, or null.
    std::shared_ptr<TableViewCell> dequeueReusableCellWithIdentifier(const std::string& id);
    void registerCellFactory(std::string identifier,
                             std::function<std::shared_ptr<TableViewCell>()> factory);

    // The cell showing the row, or null when the row is not visible.
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(IndexPath path) const;
    std::vector<std::shared_ptr<TableViewCell>> visibleCells() const;
    std::vector<IndexPath> indexPathsForVisibleRows() const;
    std::optional<IndexPath> indexPathForCell(const TableViewCell& cell) const;
    std::optional<IndexPath> indexPathForRowAtPoint(Point point) const;
    Rect rectForRowAtIndexPath(IndexPath path) const;

    // Selection from code: no delegate calls, as on the platform.
    void selectRowAtIndexPath(std::optional<IndexPath> path, bool animated,
                              TableViewScrollPosition position);
    void deselectRowAtIndexPath(IndexPath path, bool animated);
    std::optional<IndexPath> indexPathForSelectedRow() const { return selected_; }
    bool allowsSelection() const { return allowsSelection_; }
    void setAllowsSelection(bool on) { allowsSelection_ = on; }
    bool allowsSelectionDuringEditing() const { return allowsSelectionDuringEditing_; }
    void setAllowsSelectionDuringEditing(bool on) { allowsSelectionDuringEditing_ = on; }

    bool isEditing() const { return editing_; }
    void setEditing(bool editing, bool animated);

    // Row updates. The data source must already answer the new count: old count minus
    // the deleted rows, or plus the inserted ones; otherwise std::logic_error, as the
    // platform's inconsistency exception, and the table is left unchanged. A row outside
    // the table also throws std::logic_error.
    void deleteRowsAtIndexPaths(const std::vector<IndexPath>& paths,
                                TableViewRowAnimation animation);
    void insertRowsAtIndexPaths(const std::vector<IndexPath>& paths,
                                TableViewRowAnimation animation);
    void reloadRowsAtIndexPaths(const std::vector<IndexPath>& paths,
                                TableViewRowAnimation animation);
    void scrollToRowAtIndexPath(IndexPath path, TableViewScrollPosition position, bool animated);

    // A user's tap on a row: will-select (which may redirect or refuse), the previous
    // selection deselected (will/did-deselect), the row selected, did-select. Nothing when
    // selection is not allowed or the row does not exist. Returns whether a row was selected.
    bool simulateTapRow(std::size_t row);
    // The delete control of a row confirmed: commit-editing-style with Delete when the row
    // may be edited and its editing style is Delete. Returns whether it was committed.
    bool simulateDeleteRow(std::size_t row);

    void layoutSubviews() override;
    void touchesEnded(const TouchSet& touches, const Event* event) override;

protected:
    void contentOffsetDidChange() override;
    void boundsSizeDidChange(Size oldSize) override;

private:
    void recomputeRows();
    // The data source's row count after an update of `inserted` and `deleted` rows; throws
    // std::logic_error when it does not add up.
    std::size_t rowCountAfterUpdate(std::size_t inserted, std::size_t deleted);
    void updateVisibleCells();
    void enqueue(const std::shared_ptr<TableViewCell>& cell);
    std::shared_ptr<TableViewCell> makeCell(std::size_t row);
    void clearVisibleCells();

    TableViewStyle style_;
    std::weak_ptr<TableViewDataSource> dataSource_;
    std::weak_ptr<TableViewDelegate> tableDelegate_;
    double rowHeight_ = TableViewCell::defaultHeight;
    std::size_t rowCount_ = 0;
    std::vector<double> rowTops_; // rowCount_ + 1 entries: the top of each row, then the end
    std::map<std::size_t, std::shared_ptr<TableViewCell>> visible_;
    std::map<std::string, std::vector<std::shared_ptr<TableViewCell>>> pool_;
    std::map<std::string, std::function<std::shared_ptr<TableViewCell>()>> factories_;
    std::optional<IndexPath> selected_;
    bool allowsSelection_ = true;
    bool allowsSelectionDuringEditing_ = false;
    bool editing_ = false;
    bool loaded_ = false;
    bool updatingCells_ = false;
};

} // namespace ui
