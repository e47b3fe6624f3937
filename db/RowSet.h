#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "db/TableParts.h"
#include "db/Value.h"

namespace tarnwick::db {

class Connection;
class Cursor;
class RowBlockCache;

// The rows of one statement, or of a table read a part at a time. The driver fetches the whole
// result of a statement into its own buffer when it returns, so RecordCount is exact before the
// first row is read; the row set itself keeps only the few blocks of rows last read from that
// buffer. Over a table in parts the driver holds one part at a time: a row elsewhere is read with
// the statement of its part (ReadPartAt, a wait for the server), and the part before is let go.
// Read forward with Eof/MoveNext/Field, or at random with ValueAt (the grid does, for the rows it
// shows). A row set keeps the connection it was opened on alive, so a grid-bound row set and its
// connection live as long as the grid holds them.
class RowSet {
  public:
    RowSet();  // a closed row set
    ~RowSet();
    RowSet(const RowSet&) = delete;
    RowSet& operator=(const RowSet&) = delete;

    // Sends the statement on the connection. Throws DbError with the driver's text when the
    // statement fails. The rows are never written through a row set.
    void Open(const QString& statement, const std::shared_ptr<Connection>& connection);

    // Reads the table's first part, and counts the table's rows when the part is full and the
    // count is not given. Throws DbError when a statement fails.
    void OpenInParts(TableParts parts, const std::shared_ptr<Connection>& connection);

    // Takes over a statement executed for positioned reading (Connection::Reading::Positioned);
    // one that returns no columns (DROP, CREATE, ...) leaves the row set closed.
    void Take(Cursor cursor);

    bool IsOpen() const { return open_; }
    void Close();

    // Each of these throws DbError when the row set is closed.
    long RecordCount() const;
    int FieldCount() const;
    QString FieldName(int column) const;
    bool Eof() const;
    void MoveNext();

    // The value of a column of the current row; throws when at the end.
    Value Field(int column) const;

    // Random access for views: row in [0, RecordCount()), column in [0, FieldCount()). Reads the
    // row's part first when it is not at hand (a wait). Throws DbError when the row has to be read
    // while the connection is at work on another statement, or its part cannot be read.
    Value ValueAt(long row, int column) const;
    // Whether ValueAt can answer at once, without the server: the row is at hand, or the
    // connection is free and the row is in the result it holds (or its part failed to read).
    bool CanReadAt(long row) const;
    // Whether the row's part must be read before ValueAt can answer, and the connection is free.
    bool NeedsPartFor(long row) const;
    // Reads the part that holds the row, in place of the one held (a wait for the server). A
    // failure is kept: the rows of that part then answer with it. Returns whether rows came.
    bool ReadPartAt(long row);
    // The rows the statement held covers: one part of a table, or the whole result.
    long HeldFirst() const { return partFirst_; }
    long HeldRows() const { return partRows_; }
    // Runs `then` once the connection is free: at once, or when the connection's work has ended.
    void WhenReadable(std::function<void()> then) const;

    // Rows per part when every column has a bounded width, and when a column's values come
    // whole (TEXT, BLOB); the first part is always the smaller.
    static constexpr long kPartRows = 16384;
    static constexpr long kFirstPartRows = 1024;

  private:
    void RequireOpen() const;
    void RequireCell(long row, int column) const;
    bool InPart(long row) const;
    bool AtWork() const;
    // Lets go of the statement held (freed once the connection's work has ended).
    void ReleaseCursor();
    void ReadPart(long first, long rows);
    long CountRows(const TableParts& parts) const;  // a wait; throws DbError

    std::unique_ptr<Cursor> cursor_;  // the statement held (one part); keeps the connection alive
    std::shared_ptr<Connection> connection_;  // the statements' connection
    std::unique_ptr<RowBlockCache> cache_;
    std::optional<TableParts> parts_;
    std::vector<QString> names_;
    bool open_ = false;
    bool wideValues_ = false;  // a column's values come whole, a row at a time
    long rowCount_ = 0;
    long position_ = 0;
    long partFirst_ = 0;  // the rows the statement held covers
    long partRows_ = 0;
    std::optional<QString> partFailure_;  // why the last part could not be read
};
}  // namespace tarnwick::db
