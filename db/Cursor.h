#pragma once

#include <QString>
#include <memory>
#include <vector>

#include "db/OdbcHandle.h"
#include "db/StatementReading.h"
#include "db/Value.h"

namespace tarnwick::db {

class Connection;

// A statement's result, read from the driver's buffer without keeping rows: forward one row at a
// time (what the deduplication run reads its keys with) or, over a statement executed for
// positioned reading, from any row on (what a row set reads the rows a grid shows with).
// Every value is read as text: numbers and dates in the server's text form, binary values as
// "0x" and hexadecimal digits.
class Cursor {
  public:
    // Takes over an executed statement; keeps its connection alive as long as the cursor lives.
    Cursor(StatementHandle statement, std::shared_ptr<Connection> connection);

    int FieldCount() const { return static_cast<int>(fieldNames_.size()); }
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
    long RowsPerFetch() const;

    // True while the connection is at work on another statement; the cursor must then wait.
    bool ConnectionBusy() const;
    const std::shared_ptr<Connection>& GetConnection() const { return connection_; }

    // The value of a column of the current row. Read each column at most once per row, in any
    // order the caller likes.
    Value Read(int column);

    // Appends the column's text to `out` and returns true, or returns false for NULL.
    bool ReadInto(int column, std::vector<char16_t>& out);

  private:
    struct BoundColumn {
        SQLLEN width = 0;  // bytes per value, terminating zero included
        std::vector<char> data;
        std::vector<SQLLEN> indicators;
    };
    // Results whose columns all have a modest width are fetched a block of rows at a time into
    // bound buffers; others value by value.
    void BindBlock(const std::vector<SQLLEN>& widths);

    std::shared_ptr<Connection> connection_;  // declared first: destroyed after the statement
    StatementHandle statement_;
    std::vector<QString> fieldNames_;
    std::vector<bool> binary_;
    std::vector<char> bytes_;
    std::vector<char16_t> scratch_;
    std::vector<BoundColumn> bound_;
    RowBlock block_;
};

}  // namespace tarnwick::db
