#pragma once

#include <sql.h>
#include <sqlext.h>

#include <QString>
#include <memory>
#include <vector>

#include "db/OdbcHandle.h"
#include "db/StatementReading.h"

namespace tarnwick::db {

class Connection;

// Whether a column of this SQL type holds bytes rather than text: its values are read as bytes and
// written as "0x" and hexadecimal digits, so that different bytes never give the same text, and
// none is shown as an unprintable character: BINARY, VARBINARY, BLOB and BIT (the driver gives
// BIT(1) as SQL_BIT and its text as the byte 0x01 or 0x00, wider BITs as binary strings).
inline bool HoldsBytes(SQLSMALLINT type) {
    return type == SQL_BIT || type == SQL_BINARY || type == SQL_VARBINARY ||
           type == SQL_LONGVARBINARY;
}

// One statement's result as the driver holds it: the description of its columns, and the
// reading of its rows into buffers of the program's own. When every column has a bounded width
// the rows are fetched a block at a time into column-wise bound buffers; otherwise a row at a
// time, each value read whole. The readers of rows read through it: Cursor (every value as text,
// for row sets and grids) and KeyCursor (typed values, for row keys). It keeps its connection
// alive for as long as it lives.
class ResultReader {
  public:
    struct Column {
        QString name;
        SQLSMALLINT type = 0;  // the SQL type (SQL_INTEGER, SQL_VARCHAR, ...)
        SQLULEN size = 0;
        bool isUnsigned = false;
        SQLLEN octetLength = 0;
        SQLLEN displaySize = 0;
    };
    // How a column's values are read: as `cType`, each taking `width` bytes in a bound block. A
    // width of 0 says the column is too wide to bind: the result is then read a row at a time.
    struct Binding {
        SQLSMALLINT cType = SQL_C_CHAR;
        SQLLEN width = 0;
    };

    // Takes over an executed statement and describes its columns.
    ResultReader(StatementHandle statement, std::shared_ptr<Connection> connection);

    const std::vector<Column>& Columns() const { return columns_; }
    int ColumnCount() const { return static_cast<int>(columns_.size()); }
    // The column's name; throws DbError for a column the result does not have.
    const QString& ColumnName(int column) const;

    // Sets how each column is read (one binding per column), before the first fetch: in blocks of
    // `blockRows` rows when every width is bounded.
    void Bind(const std::vector<Binding>& bindings, SQLULEN blockRows);
    // Rows the driver hands over in one fetch (a block, or one row).
    long RowsPerFetch() const { return blocks_ ? static_cast<long>(blockRows_) : 1; }

    // Moves to the next row; false once past the last row.
    bool Fetch();
    // For a statement executed for positioned reading: moves to the 0-based row `row` (false when
    // there is none; Fetch then goes on after it), or counts the rows (exact before the first is
    // read).
    bool FetchAt(long row);
    long RowCount();

    // The current row's value of a column: its bytes (text without a terminating zero), or null
    // for NULL; `length` is set to the number of bytes. Throws DbError for a value longer than its
    // bound buffer.
    const char* ValueBytes(int column, size_t& length) const {
        const Buffer& buffer = buffers_[static_cast<size_t>(column)];
        const SQLULEN row = block_.Row();
        const SQLLEN indicator = buffer.indicators[row];
        if (indicator == SQL_NULL_DATA) return nullptr;
        if (indicator < 0 || indicator > buffer.room) ThrowTooLong(column);
        length = static_cast<size_t>(indicator);
        return buffer.data.data() + static_cast<size_t>(buffer.width) * row;
    }

    const std::shared_ptr<Connection>& GetConnection() const { return connection_; }

  private:
    struct Buffer {
        SQLSMALLINT cType = SQL_C_CHAR;
        SQLLEN width = 0;  // bytes per value in `data` (a whole row's value when not in blocks)
        SQLLEN room = 0;   // the longest value the buffer holds
        std::vector<char> data;
        std::vector<SQLLEN> indicators;
    };

    void ReadRow();
    [[noreturn]] void ThrowTooLong(int column) const;

    std::shared_ptr<Connection> connection_;  // declared first: destroyed after the statement
    StatementHandle statement_;
    std::vector<Column> columns_;
    std::vector<Buffer> buffers_;
    bool blocks_ = false;
    SQLULEN blockRows_ = 1;
    RowBlock block_;
};

}  // namespace tarnwick::db
