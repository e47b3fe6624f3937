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
class DataGrid : public QTableView {
  public:
    DataGrid(QWidget& parent, const char* name, const TwipRect& rect);

    // Binds the grid to an open row set; nullptr unbinds it, and the grid shows nothing. Throws
    // Failure for a row set that is not open (the grid then keeps what it showed).
    void SetDataSource(std::shared_ptr<db::RowSet> rowSet);
    const std::shared_ptr<db::RowSet>& DataSource() const;

  private:
    db::RowSetModel* model_;  // a child of the grid
};

}  // namespace tarnwick::pages
