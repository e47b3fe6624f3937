#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "db/Value.h"

namespace tarnwick::db {

class Connection;
class Cursor;
class RowBlockCache;

// The rows of one statement. The driver fetches the whole result into its own buffer when the row
// set opens, so RecordCount is exact before the first row is read; the row set itself keeps only
// the few blocks of rows last read from that buffer. Read forward with Eof/MoveNext/Field, or at
// random with ValueAt (the grid does, for the rows it shows). A row set keeps the connection it was
// opened on alive, so a grid-bound row set and its connection live as long as the grid holds them.
class RowSet {
  public:
    RowSet();  // a closed row set
    ~RowSet();
    RowSet(const RowSet&) = delete;
    RowSet& operator=(const RowSet&) = delete;

    // Sends the statement on the connection. Throws DbError with the driver's text when the
    // statement fails. The rows are never written through a row set.
    void Open(const QString& statement, const std::shared_ptr<Connection>& connection);

    // Takes over a statement executed for positioned reading (Connection::Reading::Positioned);
    // one that returns no columns (DROP, CREATE, ...) leaves the row set closed.
    void Take(Cursor cursor);

    bool IsOpen() const { return cursor_ != nullptr; }
    void Close();

    // Each of these throws DbError when the row set is closed.
    long RecordCount() const;
    int FieldCount() const;
    QString FieldName(int column) const;
    bool Eof() const;
    void MoveNext();

    // The value of a column of the current row; throws when at the end.
    Value Field(int column) const;

    // Random access for views: row in [0, RecordCount()), column in [0, FieldCount()). Throws
    // DbError when the row has to be read while the connection is at work on another statement.
    Value ValueAt(long row, int column) const;
    // Whether ValueAt can answer at once: the row is at hand, or the connection is free to read it.
    bool CanReadAt(long row) const;
    // Runs `then` once every row can be read: at once, or when the connection's work has ended.
    void WhenReadable(std::function<void()> then) const;

  private:
    void RequireOpen() const;
    void RequireCell(long row, int column) const;

    std::unique_ptr<Cursor> cursor_;  // holds the statement and keeps the connection alive
    std::unique_ptr<RowBlockCache> cache_;
    long rowCount_ = 0;
    long position_ = 0;
};

}  // namespace tarnwick::db
