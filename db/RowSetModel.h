#pragma once

#include <QAbstractTableModel>
#include <QFont>
#include <memory>

namespace tarnwick::db {

class RowSet;

// Shows a row set in a grid, read-only: one column per field (its name in the header), one row
// per record. A Null cell reads "NULL" in grey italics, so it stands apart from an empty text.
// Cells are read from the row set only when a view asks for them, which is for the rows it shows.
// The model holds the row set, and with it its connection, until it is given another one; with
// none it shows nothing.
class RowSetModel : public QAbstractTableModel {
  public:
    explicit RowSetModel(QObject* parent = nullptr);

    void SetRowSet(std::shared_ptr<RowSet> rowSet);

    // The font of the grid; Null cells show it in italics.
    void SetBaseFont(const QFont& font);
    const std::shared_ptr<RowSet>& GetRowSet() const { return rowSet_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

  private:
    bool Shows() const;
    // Asks the views to read the cells again once the row set's connection has ended its work
    // (after a cell could not be read).
    void ScheduleRefresh(long row) const;

    std::shared_ptr<RowSet> rowSet_;
    QFont nullFont_;
    mutable bool refreshPending_ = false;
    mutable long missedRow_ = 0;
};

// The text a Null cell shows.
inline constexpr char16_t kNullCellText[] = u"NULL";

}  // namespace tarnwick::db
