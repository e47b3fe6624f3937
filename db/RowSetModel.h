#pragma once

#include <QAbstractTableModel>
#include <QFont>
#include <functional>
#include <memory>

namespace tarnwick::db {

class RowSet;

// Shows a row set in a grid, read-only: one column per field (its name in the header), one row
// per record. A Null cell reads "NULL" in grey italics, so it stands apart from an empty text.
// Cells are read from the row set only when a view asks for them, which is for the rows it shows.
//
// The model shows a window of the row set: the rows [Top(), Top() + rowCount()), numbered in
// the vertical header as rows of the whole result. A view spends time and memory on every row it
// is told of (a header of 30,000,000 rows holds the window for most of a second and takes more
// than 200 MB), so the grid tells it only of the rows it has room for and moves the window as the
// user scrolls (pages/DataGrid). Without a window set, the model shows every row.
//
// A row the row set cannot give at once stays blank: its part of the table is read (a wait for the
// server, started from the event loop, never while a view paints), or the connection's other work
// is waited out, and the views are then told to read the cells again.
// The model holds the row set, and with it its connection, until it is given another one; with
// none it shows nothing.
class RowSetModel : public QAbstractTableModel {
  public:
    explicit RowSetModel(QObject* parent = nullptr);

    void SetRowSet(std::shared_ptr<RowSet> rowSet);

    // The font of the grid; Null cells show it in italics.
    void SetBaseFont(const QFont& font);
    const std::shared_ptr<RowSet>& GetRowSet() const { return rowSet_; }

    // The rows of the whole row set; 0 with none.
    long TotalRows() const;
    // Shows the rows [top, top + rows) (fewer at the end); a negative `rows` shows every row from
    // `top` on. The top is kept within the row set.
    void SetWindow(long top, int rows);
    long Top() const { return top_; }
    // Called after the row set learnt that it has another number of rows than it said (a part of
    // a table that has changed came back short), once the model has shown it.
    void OnTotalChanged(std::function<void()> then) { onTotalChanged_ = std::move(then); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

  private:
    bool Shows() const;
    int RowsShown(long top, int rows) const;
    // Gets the row read, or waits for the connection, and then has the views read the cells again.
    void Fetch(long row) const;
    void ServeFetch();
    void Refresh();
    // Has the views read every cell shown again.
    void ReadAgain();

    std::shared_ptr<RowSet> rowSet_;
    QFont nullFont_;
    long top_ = 0;
    int windowRows_ = -1;  // -1: every row
    int shownRows_ = 0;    // the rows the views have been told of
    long totalRows_ = 0;   // the row set's rows when the views were last told
    std::function<void()> onTotalChanged_;
    mutable long wantedRow_ = -1;  // the last row asked for that could not be read at once
    mutable bool fetchPending_ = false;
};

// The text a Null cell shows.
inline constexpr char16_t kNullCellText[] = u"NULL";

}  // namespace tarnwick::db
