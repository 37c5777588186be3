#include "platform/ui/TableView.h"

#include <algorithm>
#include <set>
#include <stdexcept>

namespace ui {

TableView::TableView(const Rect& frame, TableViewStyle style)
    : ScrollView(frame)
    , style_(style) {
    setBackgroundColor(style == TableViewStyle::Grouped ? Color::groupTableViewBackgroundColor()
                                                        : Color::whiteColor());
}

void TableView::setDataSource(const std::shared_ptr<TableViewDataSource>& dataSource) {
    dataSource_ = dataSource;
    loaded_ = false;
    setNeedsLayout();
}

void TableView::setDelegate(const std::shared_ptr<TableViewDelegate>& delegate) {
    tableDelegate_ = delegate;
    ScrollView::setDelegate(delegate);
}

std::size_t TableView::numberOfRowsInSection(std::size_t section) const {
    return section == 0 ? rowCount_ : 0;
}

void TableView::recomputeRows() {
    const auto dataSource = dataSource_.lock();
    rowCount_ = dataSource ? dataSource->tableViewNumberOfRowsInSection(*this, 0) : 0;
    const auto delegate = tableDelegate_.lock();
    rowTops_.assign(rowCount_ + 1, 0.0);
    double y = 0;
    for (std::size_t row = 0; row < rowCount_; ++row) {
        rowTops_[row] = y;
        std::optional<double> height;
        if (delegate)
            height = delegate->tableViewHeightForRowAtIndexPath(*this, IndexPath::forRow(row));
        y += std::max(0.0, height.value_or(rowHeight_));
    }
    rowTops_[rowCount_] = y;
    setContentSize(Size(bounds().width(), y));
}

void TableView::reloadData() {
    loaded_ = true;
    clearVisibleCells();
    selected_.reset();
    recomputeRows();
    updateVisibleCells();
}

void TableView::clearVisibleCells() {
    const auto cells = std::move(visible_);
    visible_.clear();
    for (const auto& [row, cell] : cells)
        enqueue(cell);
}

void TableView::enqueue(const std::shared_ptr<TableViewCell>& cell) {
    if (cell->superviewPointer() == this)
        cell->removeFromSuperview();
    if (!cell->reuseIdentifier().empty())
        pool_[cell->reuseIdentifier()].push_back(cell);
}

std::shared_ptr<TableViewCell> TableView::dequeueReusableCellWithIdentifier(const std::string& id) {
    if (auto found = pool_.find(id); found != pool_.end() && !found->second.empty()) {
        auto cell = std::move(found->second.back());
        found->second.pop_back();
        cell->prepareForReuse();
        return cell;
    }
    if (auto factory = factories_.find(id); factory != factories_.end() && factory->second) {
        auto cell = factory->second();
        if (cell && cell->reuseIdentifier().empty())
            cell->setReuseIdentifier(id);
        return cell;
    }
    return nullptr;
}

void TableView::registerCellFactory(std::string identifier,
                                    std::function<std::shared_ptr<TableViewCell>()> factory) {
    factories_[std::move(identifier)] = std::move(factory);
}

std::shared_ptr<TableViewCell> TableView::makeCell(std::size_t row) {
    const auto dataSource = dataSource_.lock();
    if (!dataSource)
        return nullptr;
    auto cell = dataSource->tableViewCellForRowAtIndexPath(*this, IndexPath::forRow(row));
    if (!cell)
        throw std::logic_error("the table's data source returned no cell for row " +
                               std::to_string(row));
    return cell;
}

void TableView::updateVisibleCells() {
    if (!loaded_ || updatingCells_)
        return;
    updatingCells_ = true;
    try {
        const Rect visible = bounds();
        const double top = visible.minY();
        const double bottom = visible.maxY();
        std::set<std::size_t> rows;
        if (visible.height() > 0) {
            for (std::size_t row = 0; row < rowCount_; ++row) {
                if (rowTops_[row] >= bottom)
                    break;
                if (rowTops_[row + 1] > top ||
                    (rowTops_[row] == rowTops_[row + 1] && rowTops_[row] >= top))
                    rows.insert(row);
            }
        }
        for (auto it = visible_.begin(); it != visible_.end();) {
            if (rows.count(it->first)) {
                ++it;
                continue;
            }
            const auto cell = it->second;
            it = visible_.erase(it);
            enqueue(cell);
        }
        const auto delegate = tableDelegate_.lock();
        for (const std::size_t row : rows) {
            const IndexPath path = IndexPath::forRow(row);
            auto found = visible_.find(row);
            if (found == visible_.end()) {
                auto cell = makeCell(row);
                if (!cell)
                    continue;
                cell->setSelected(selected_ == path, false);
                cell->setEditing(editing_, false);
                cell->setEditingStyle(
                    delegate ? delegate->tableViewEditingStyleForRowAtIndexPath(*this, path)
                             : TableViewCellEditingStyle::Delete);
                found = visible_.emplace(row, cell).first;
                insertSubviewAtIndex(cell, 0);
                if (delegate)
                    delegate->tableViewWillDisplayCellForRowAtIndexPath(*this, *cell, path);
            }
            found->second->setFrame(
                Rect(0, rowTops_[row], bounds().width(), rowTops_[row + 1] - rowTops_[row]));
        }
    } catch (...) {
        updatingCells_ = false;
        throw;
    }
    updatingCells_ = false;
}

std::shared_ptr<TableViewCell> TableView::cellForRowAtIndexPath(IndexPath path) const {
    if (path.section != 0)
        return nullptr;
    const auto found = visible_.find(path.row);
    return found == visible_.end() ? nullptr : found->second;
}

std::vector<std::shared_ptr<TableViewCell>> TableView::visibleCells() const {
    std::vector<std::shared_ptr<TableViewCell>> cells;
    for (const auto& [row, cell] : visible_)
        cells.push_back(cell);
    return cells;
}

std::vector<IndexPath> TableView::indexPathsForVisibleRows() const {
    std::vector<IndexPath> paths;
    for (const auto& [row, cell] : visible_)
        paths.push_back(IndexPath::forRow(row));
    return paths;
}

std::optional<IndexPath> TableView::indexPathForCell(const TableViewCell& cell) const {
    for (const auto& [row, visibleCell] : visible_)
        if (visibleCell.get() == &cell)
            return IndexPath::forRow(row);
    return std::nullopt;
}

std::optional<IndexPath> TableView::indexPathForRowAtPoint(Point point) const {
    if (rowCount_ == 0 || point.y < 0 || point.y >= rowTops_[rowCount_])
        return std::nullopt;
    const auto next = std::upper_bound(rowTops_.begin(), rowTops_.end() - 1, point.y);
    return IndexPath::forRow(std::size_t(next - rowTops_.begin()) - 1);
}

Rect TableView::rectForRowAtIndexPath(IndexPath path) const {
    if (path.section != 0 || path.row >= rowCount_)
        return Rect();
    return Rect(0, rowTops_[path.row], bounds().width(),
                rowTops_[path.row + 1] - rowTops_[path.row]);
}

void TableView::selectRowAtIndexPath(std::optional<IndexPath> path, bool animated,
                                     TableViewScrollPosition position) {
    if (!path) {
        if (selected_)
            deselectRowAtIndexPath(*selected_, animated);
        return;
    }
    if (path->section != 0 || path->row >= rowCount_)
        return;
    if (selected_ && *selected_ != *path)
        if (auto cell = cellForRowAtIndexPath(*selected_))
            cell->setSelected(false, animated);
    selected_ = path;
    if (auto cell = cellForRowAtIndexPath(*path))
        cell->setSelected(true, animated);
    if (position != TableViewScrollPosition::None)
        scrollToRowAtIndexPath(*path, position, animated);
}

void TableView::deselectRowAtIndexPath(IndexPath path, bool animated) {
    if (selected_ != path)
        return;
    selected_.reset();
    if (auto cell = cellForRowAtIndexPath(path))
        cell->setSelected(false, animated);
}

void TableView::setEditing(bool editing, bool animated) {
    editing_ = editing;
    for (const auto& [row, cell] : visible_)
        cell->setEditing(editing, animated);
}

std::size_t TableView::rowCountAfterUpdate(std::size_t inserted, std::size_t deleted) {
    const auto dataSource = dataSource_.lock();
    const std::size_t after = dataSource ? dataSource->tableViewNumberOfRowsInSection(*this, 0) : 0;
    if (after != rowCount_ + inserted - deleted)
        throw std::logic_error(
            "Invalid update: invalid number of rows in section 0. The number of rows contained "
            "in an existing section after the update (" +
            std::to_string(after) +
            ") must be equal to the number of rows contained in that section before the update "
            "(" +
            std::to_string(rowCount_) +
            "), plus or minus the number of rows inserted or deleted "
            "from that section (" +
            std::to_string(inserted) + " inserted, " + std::to_string(deleted) + " deleted).");
    return after;
}

void TableView::deleteRowsAtIndexPaths(const std::vector<IndexPath>& paths, TableViewRowAnimation) {
    if (!loaded_) {
        reloadData();
        return;
    }
    std::set<std::size_t> deleted;
    for (const IndexPath& path : paths) {
        if (path.section != 0 || path.row >= rowCount_)
            throw std::logic_error("attempt to delete row " + std::to_string(path.row) +
                                   " from section " + std::to_string(path.section) +
                                   " which only contains " + std::to_string(rowCount_) +
                                   " rows before the update");
        deleted.insert(path.row);
    }
    rowCountAfterUpdate(0, deleted.size());
    auto shifted = [&](std::size_t row) {
        return row - std::size_t(std::distance(deleted.begin(), deleted.lower_bound(row)));
    };
    std::map<std::size_t, std::shared_ptr<TableViewCell>> kept;
    for (const auto& [row, cell] : visible_) {
        if (deleted.count(row))
            enqueue(cell);
        else
            kept.emplace(shifted(row), cell);
    }
    visible_ = std::move(kept);
    if (selected_) {
        if (deleted.count(selected_->row))
            selected_.reset();
        else
            selected_ = IndexPath::forRow(shifted(selected_->row));
    }
    recomputeRows();
    updateVisibleCells();
}

void TableView::insertRowsAtIndexPaths(const std::vector<IndexPath>& paths, TableViewRowAnimation) {
    if (!loaded_) {
        reloadData();
        return;
    }
    std::set<std::size_t> inserted;
    for (const IndexPath& path : paths)
        inserted.insert(path.row);
    const std::size_t after = rowCountAfterUpdate(inserted.size(), 0);
    for (const IndexPath& path : paths)
        if (path.section != 0 || path.row >= after)
            throw std::logic_error("attempt to insert row " + std::to_string(path.row) +
                                   " into section " + std::to_string(path.section) +
                                   ", but there are only " + std::to_string(after) +
                                   " rows in section 0 after the update");
    // The rows after an insertion all move: ask for every visible row again.
    clearVisibleCells();
    if (selected_) {
        std::size_t row = selected_->row;
        for (const std::size_t at : inserted)
            if (at <= row)
                ++row;
        selected_ = IndexPath::forRow(row);
    }
    recomputeRows();
    updateVisibleCells();
}

void TableView::reloadRowsAtIndexPaths(const std::vector<IndexPath>& paths, TableViewRowAnimation) {
    for (const IndexPath& path : paths) {
        const auto found = visible_.find(path.row);
        if (path.section != 0 || found == visible_.end())
            continue;
        const auto cell = found->second;
        visible_.erase(found);
        enqueue(cell);
    }
    recomputeRows();
    updateVisibleCells();
}

void TableView::scrollToRowAtIndexPath(IndexPath path, TableViewScrollPosition position,
                                       bool animated) {
    const Rect row = rectForRowAtIndexPath(path);
    if (path.section != 0 || path.row >= rowCount_)
        return;
    const double height = bounds().height();
    double y = contentOffset().y;
    switch (position) {
    case TableViewScrollPosition::None:
        scrollRectToVisible(row, animated);
        return;
    case TableViewScrollPosition::Top:
        y = row.minY() - contentInset().top;
        break;
    case TableViewScrollPosition::Middle:
        y = row.midY() - height / 2;
        break;
    case TableViewScrollPosition::Bottom:
        y = row.maxY() - height + contentInset().bottom;
        break;
    }
    y = std::clamp(y, minimumContentOffset().y, maximumContentOffset().y);
    setContentOffset(Point(contentOffset().x, y), animated);
}

bool TableView::simulateTapRow(std::size_t row) {
    if (!loaded_)
        reloadData();
    if (!allowsSelection_ || (editing_ && !allowsSelectionDuringEditing_) || row >= rowCount_)
        return false;
    const auto keep = weak_from_this().lock();
    std::optional<IndexPath> target = IndexPath::forRow(row);
    if (const auto delegate = tableDelegate_.lock())
        target = delegate->tableViewWillSelectRowAtIndexPath(*this, *target);
    if (!target || target->section != 0 || target->row >= rowCount_)
        return false;
    if (selected_ && *selected_ != *target) {
        std::optional<IndexPath> deselect = selected_;
        if (const auto delegate = tableDelegate_.lock())
            deselect = delegate->tableViewWillDeselectRowAtIndexPath(*this, *deselect);
        if (deselect) {
            const IndexPath old = *selected_;
            deselectRowAtIndexPath(old, false);
            if (const auto delegate = tableDelegate_.lock())
                delegate->tableViewDidDeselectRowAtIndexPath(*this, old);
        }
    }
    selectRowAtIndexPath(target, false, TableViewScrollPosition::None);
    if (const auto delegate = tableDelegate_.lock())
        delegate->tableViewDidSelectRowAtIndexPath(*this, *target);
    return true;
}

bool TableView::simulateDeleteRow(std::size_t row) {
    const auto dataSource = dataSource_.lock();
    if (!dataSource || row >= rowCount_)
        return false;
    const IndexPath path = IndexPath::forRow(row);
    if (!dataSource->tableViewCanEditRowAtIndexPath(*this, path))
        return false;
    TableViewCellEditingStyle style = TableViewCellEditingStyle::Delete;
    if (const auto delegate = tableDelegate_.lock())
        style = delegate->tableViewEditingStyleForRowAtIndexPath(*this, path);
    if (style != TableViewCellEditingStyle::Delete)
        return false;
    dataSource->tableViewCommitEditingStyleForRowAtIndexPath(*this, style, path);
    return true;
}

void TableView::layoutSubviews() {
    if (!loaded_)
        reloadData();
    else
        updateVisibleCells();
}

void TableView::touchesEnded(const TouchSet& touches, const Event*) {
    if (touches.empty())
        return;
    if (const auto path = indexPathForRowAtPoint(touches.front()->locationInView(this)))
        simulateTapRow(path->row);
}

void TableView::contentOffsetDidChange() {
    updateVisibleCells();
}

void TableView::boundsSizeDidChange(Size oldSize) {
    ScrollView::boundsSizeDidChange(oldSize);
    setContentSize(Size(bounds().width(), contentSize().height));
    updateVisibleCells();
}

} // namespace ui
