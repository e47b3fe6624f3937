#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

#include "db/Value.h"

namespace tarnwick::db {

class Connection;
class Cursor;

// The rows of one statement, fetched whole into the client when the row set opens, so that
// RecordCount is exact before the first row is read. Read forward with Eof/MoveNext/Field, or at
// random with ValueAt (the grid does). A row set keeps the connection it was opened on alive, so a
// grid-bound row set and its connection live as long as the grid holds them.
class RowSet {
  public:
    RowSet() = default;  // a closed row set

    // Sends the statement on the connection and fetches every row. Throws DbError with the
    // driver's text when the statement fails. The rows are never written through a row set.
    void Open(const QString& statement, const std::shared_ptr<Connection>& connection);

    // Fetches every remaining row of an executed statement.
    void Fill(Cursor& cursor, std::shared_ptr<Connection> connection);

    bool IsOpen() const { return open_; }
    void Close();

    // Each of these throws DbError when the row set is closed.
    long RecordCount() const;
    int FieldCount() const;
    QString FieldName(int column) const;
    bool Eof() const;
    void MoveNext();
    long Position() const;  // 0-based index of the current row

    // The value of a column of the current row; throws when at the end.
    Value Field(int column) const;

    // Random access for views: row in [0, RecordCount()), column in [0, FieldCount()).
    Value ValueAt(long row, int column) const;
    bool IsNullAt(long row, int column) const;

  private:
    void RequireOpen() const;
    size_t CellIndex(long row, int column) const;

    bool open_ = false;
    std::shared_ptr<Connection> connection_;
    std::vector<QString> fieldNames_;
    long rowCount_ = 0;
    long position_ = 0;
    // Cell k = row * FieldCount() + column holds chars_[ends_[k-1] .. ends_[k]); compact enough for
    // a million-row grid.
    std::vector<char16_t> chars_;
    std::vector<uint64_t> ends_;
    std::vector<bool> nulls_;
};

}  // namespace tarnwick::db
