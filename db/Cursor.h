#pragma once

#include <QString>
#include <memory>
#include <vector>

#include "db/OdbcHandle.h"
#include "db/Value.h"

namespace tarnwick::db {

class Connection;

// A statement's result read forward, one row at a time, without keeping rows: the streaming
// reader under RowSet, and what the deduplication run reads its keys with.
// Every value is read as text (SQL_C_WCHAR): numbers and dates in the server's text form,
// binary values as hexadecimal digits.
class Cursor {
  public:
    // Takes over an executed statement; keeps its connection alive as long as the cursor lives.
    Cursor(StatementHandle statement, std::shared_ptr<Connection> connection);

    int FieldCount() const { return static_cast<int>(fieldNames_.size()); }
    const QString& FieldName(int column) const;

    // Moves to the next row; false once past the last row.
    bool Fetch();

    // The value of a column of the current row. Read each column at most once per row, in any
    // order the caller likes (the driver allows it).
    Value Read(int column);

    // Appends the column's text to `out` and returns true, or returns false for NULL.
    bool ReadInto(int column, std::vector<char16_t>& out);

  private:
    std::shared_ptr<Connection> connection_;  // declared first: destroyed after the statement
    StatementHandle statement_;
    std::vector<QString> fieldNames_;
    std::vector<char16_t> buffer_;
    std::vector<char16_t> scratch_;
};

}  // namespace tarnwick::db
