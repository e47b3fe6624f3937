#pragma once

#include <QTableView>
#include <memory>

#include "pages/PageLayout.h"

namespace tarnwick::db {
class RowSet;
class RowSetModel;
}  // namespace tarnwick::db

namespace tarnwick::pages {

// The pages' data grid: shows the rows of the row set bound to it, read-only. The grid keeps the
// row set, and with it its connection, until it is bound to another one or unbound.
//
// However many rows the row set has, the view is told only of the rows it has room for: the grid
// moves its model's window (db/RowSetModel) as the user scrolls, and its vertical scroll bar
// counts rows of the whole row set. The keys move through the whole row set too (Ctrl+End goes to
// its last row), and the row that has the focus is kept as a row of the row set.
class DataGrid : public QTableView {
  public:
    DataGrid(QWidget& parent, const char* name, const TwipRect& rect);

    // Binds the grid to an open row set; nullptr unbinds it, and the grid shows nothing. Throws
    // Failure for a row set that is not open (the grid then keeps what it showed).
    void SetDataSource(std::shared_ptr<db::RowSet> rowSet);
    const std::shared_ptr<db::RowSet>& DataSource() const;

    // The rows of the bound row set; the first one in view; the one with the focus, or -1.
    long TotalRows() const;
    long TopRow() const;
    long CurrentRow() const { return currentRow_; }

  protected:
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

  private:
    // The rows that fit the viewport whole.
    int RowsInView() const;
    // Shows the rows from `top` on, with the scroll bar and the focus row to match.
    void ShowFrom(long top);
    void FitScrollBar();

    db::RowSetModel* model_;  // a child of the grid
    long currentRow_ = -1;
    bool adjusting_ = false;  // the grid itself sets the scroll bar: its moves are not the user's
};

}  // namespace tarnwick::pages
