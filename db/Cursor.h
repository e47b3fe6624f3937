#pragma once

#include <QString>
#include <memory>
#include <vector>

#include "db/ResultReader.h"
#include "db/Value.h"

namespace tarnwick::db {

class Connection;

// A statement's result, read from the driver's buffer without keeping rows: forward one row at a
// time (the survey's reads) or, over a statement executed for positioned reading, from any row on
// (what a row set reads the rows a grid shows with).
// Every value is read as text: numbers and dates in the server's text form, binary values as
// "0x" and hexadecimal digits.
class Cursor {
  public:
    // Takes over an executed statement's result; keeps its connection alive as long as the cursor
    // lives.
    explicit Cursor(ResultReader result);

    int FieldCount() const { return result_.ColumnCount(); }
    const QString& FieldName(int column) const;

    // Moves to the next row; false once past the last row.
    bool Fetch();

    // Positioned reading (a statement executed with Connection::Reading::Positioned):
    // The number of rows of the result, exact before the first row is read.
    long RowCount();
    // Moves to the 0-based row `row`; false when the result has no such row. Fetch then goes on
    // with the rows after it.
    bool FetchAt(long row);
    // Rows the driver hands over in one fetch (a block of bound columns, or one row).
    long RowsPerFetch() const { return result_.RowsPerFetch(); }

    const std::shared_ptr<Connection>& GetConnection() const { return result_.GetConnection(); }

    // The value of a column of the current row, in any order the caller likes.
    Value Read(int column);

    // Appends the column's text to `out` and returns true, or returns false for NULL.
    bool ReadInto(int column, std::vector<char16_t>& out);

  private:
    ResultReader result_;
    std::vector<bool> binary_;
    std::vector<char16_t> scratch_;
};

}  // namespace tarnwick::db
