#include "pages/DataGrid.h"

#include <QHeaderView>
#include <QScrollBar>
#include <algorithm>
#include <limits>
#include <utility>

#include "app/core/FailureDescription.h"
#include "db/Connection.h"
#include "db/RowSet.h"
#include "db/RowSetModel.h"

namespace tarnwick::pages {

DataGrid::DataGrid(QWidget& parent, const char* name, const TwipRect& rect)
    : QTableView(&parent), model_(new db::RowSetModel(this)) {
    setObjectName(QString::fromLatin1(name));
    setModel(model_);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setWordWrap(false);
    // Tab and Shift+Tab move to the page's next control, not from cell to cell: otherwise a grid
    // with rows keeps the focus for ever.
    setTabKeyNavigation(false);
    const int rowHeight = fontMetrics().height() + 4;
    verticalHeader()->setDefaultSectionSize(rowHeight);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setHighlightSections(false);
    // The square between the two scroll bars takes the page's background.
    auto* corner = new QWidget(this);
    corner->setAutoFillBackground(true);
    setCornerWidget(corner);
    model_->SetWindow(0, RowsInView());
    model_->OnTotalChanged([this] {
        currentRow_ = std::min(currentRow_, TotalRows() - 1);
        FitScrollBar();
    });
    Place(*this, rect);
}

void DataGrid::SetDataSource(std::shared_ptr<db::RowSet> rowSet) {
    if (rowSet && !rowSet->IsOpen()) throw app::Failure(QString::fromUtf16(db::kObjectClosedText));
    model_->SetBaseFont(font());
    model_->SetRowSet(std::move(rowSet));
    currentRow_ = -1;
    // Room in the row header for the widest row number.
    verticalHeader()->setMinimumWidth(
        verticalHeader()->fontMetrics().horizontalAdvance(QString::number(TotalRows())) + 12);
    FitScrollBar();
}

const std::shared_ptr<db::RowSet>& DataGrid::DataSource() const {
    return model_->GetRowSet();
}

long DataGrid::TotalRows() const {
    return model_->TotalRows();
}

long DataGrid::TopRow() const {
    return model_->Top();
}

int DataGrid::RowsInView() const {
    const int rowHeight = std::max(1, verticalHeader()->defaultSectionSize());
    return std::max(1, viewport()->height() / rowHeight);
}

void DataGrid::FitScrollBar() {
    const int rows = RowsInView();
    const long last = std::max(0L, TotalRows() - rows);
    const long top = std::min(model_->Top(), last);
    model_->SetWindow(top, rows);
    const bool wasAdjusting = std::exchange(adjusting_, true);
    QScrollBar& bar = *verticalScrollBar();
    bar.setRange(0, static_cast<int>(std::min<long>(last, std::numeric_limits<int>::max())));
    bar.setPageStep(rows);
    bar.setSingleStep(1);
    bar.setValue(static_cast<int>(top));
    adjusting_ = wasAdjusting;
}

void DataGrid::updateGeometries() {
    // The view sets its scroll bar for the rows it was told of; the grid's counts the row set's.
    const bool wasAdjusting = std::exchange(adjusting_, true);
    QTableView::updateGeometries();
    adjusting_ = wasAdjusting;
    FitScrollBar();
}

void DataGrid::ShowFrom(long top) {
    const int rows = RowsInView();
    top = std::clamp(top, 0L, std::max(0L, TotalRows() - rows));
    model_->SetWindow(top, rows);
    const bool wasAdjusting = std::exchange(adjusting_, true);
    verticalScrollBar()->setValue(static_cast<int>(top));
    // The focus stays on its row of the row set: on the line that shows it now, or on none.
    const int column = std::max(0, currentIndex().column());
    if (currentRow_ >= top && currentRow_ < top + model_->rowCount()) {
        selectionModel()->setCurrentIndex(
            model_->index(static_cast<int>(currentRow_ - top), column),
            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    } else if (currentIndex().isValid()) {
        selectionModel()->clear();
    }
    adjusting_ = wasAdjusting;
}

void DataGrid::scrollContentsBy(int dx, int dy) {
    if (dx != 0) QTableView::scrollContentsBy(dx, 0);
    // Every row the view knows of is in view: scrolling moves the window instead.
    if (dy != 0 && !adjusting_) ShowFrom(verticalScrollBar()->value());
}

void DataGrid::scrollTo(const QModelIndex& index, ScrollHint hint) {
    // Every line is in view already; only the columns may have to scroll.
    const int value = verticalScrollBar()->value();
    const bool wasAdjusting = std::exchange(adjusting_, true);
    QTableView::scrollTo(index, hint);
    verticalScrollBar()->setValue(value);
    adjusting_ = wasAdjusting;
}

QModelIndex DataGrid::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    const long total = TotalRows();
    const bool control = modifiers & Qt::ControlModifier;
    const int rows = RowsInView();
    const long row = currentRow_ >= 0 ? currentRow_ : TopRow();
    int column = std::max(0, currentIndex().column());
    long target = row;
    switch (action) {
        case MoveUp:
            target = row - 1;
            break;
        case MoveDown:
            target = currentRow_ >= 0 ? row + 1 : row;
            break;
        case MovePageUp:
            target = row - rows;
            break;
        case MovePageDown:
            target = row + rows;
            break;
        case MoveHome:
            if (!control) return QTableView::moveCursor(action, modifiers);
            target = 0;
            column = 0;
            break;
        case MoveEnd:
            if (!control) return QTableView::moveCursor(action, modifiers);
            target = total - 1;
            column = std::max(0, model_->columnCount() - 1);
            break;
        default:
            return QTableView::moveCursor(action, modifiers);
    }
    if (total == 0) return {};
    target = std::clamp(target, 0L, total - 1);
    long top = TopRow();
    if (target < top) top = target;
    if (target >= top + rows) top = target - rows + 1;
    currentRow_ = target;
    ShowFrom(top);
    return model_->index(static_cast<int>(target - TopRow()), column);
}

void DataGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    if (!adjusting_) currentRow_ = current.isValid() ? TopRow() + current.row() : -1;
}

}  // namespace tarnwick::pages
