#pragma once

#include <QAbstractTableModel>
#include <QFont>
#include <memory>

namespace tarnwick::db {

class RowSet;

// Shows a row set in a grid, read-only: one column per field (its name in the header), one row
// per record. A Null cell reads "NULL" in grey italics, so it stands apart from an empty text.
// Cells are read from the row set only when a view asks for them, which is for the rows it shows.
// A view is told of the rows a part at a time (fetchMore, when it scrolls to the last row it
// knows): a view spends time and memory on every row it is told of, and a result of millions of
// rows told at once would hold the window for a second.
// The model holds the row set, and with it its connection, until it is given another one; with
// none it shows nothing.
class RowSetModel : public QAbstractTableModel {
  public:
    // The rows a view is told of at a time: about 25 ms of a view's work on this machine.
    static constexpr int kRowsPerPart = 1 << 20;

    explicit RowSetModel(QObject* parent = nullptr, int rowsPerPart = kRowsPerPart);

    void SetRowSet(std::shared_ptr<RowSet> rowSet);

    // The font of the grid; Null cells show it in italics.
    void SetBaseFont(const QFont& font);
    const std::shared_ptr<RowSet>& GetRowSet() const { return rowSet_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

  private:
    bool Shows() const;
    // The rows of the row set, as many as a view can count.
    int AllRows() const;
    // Asks the views to read the cells again once the row set's connection has ended its work
    // (after a cell could not be read).
    void ScheduleRefresh(long row) const;

    std::shared_ptr<RowSet> rowSet_;
    QFont nullFont_;
    const int rowsPerPart_;
    int toldRows_ = 0;  // the rows the views have been told of
    mutable bool refreshPending_ = false;
    mutable long missedRow_ = 0;
};

// The text a Null cell shows.
inline constexpr char16_t kNullCellText[] = u"NULL";

}  // namespace tarnwick::db
