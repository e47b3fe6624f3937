#pragma once

#include <sql.h>
#include <sqlext.h>

#include <memory>
#include <vector>

namespace tarnwick::db {

// Pieces that the readers of a result share.

// Where a reader stands in a statement's result: fetched a row at a time, or a block of rows at
// a time into column-wise bound buffers once UseBlocks was called.
class RowBlock {
  public:
    // Makes every SQLFetch on the statement fetch up to `rows` rows.
    void UseBlocks(SQLHSTMT stmt, SQLULEN rows);

    // Moves to the next row, fetching the next block or row when needed; false past the last row.
    bool Next(SQLHSTMT stmt);
    // Moves to the 0-based row `row` of a statement that can scroll (its block starts there);
    // false when the result has no such row. Next then goes on with the rows after it.
    bool At(SQLHSTMT stmt, SQLLEN row);

    // The current row's place in its block (0 when fetching row by row).
    SQLULEN Row() const { return row_; }

  private:
    // After a fetch that returned `rc`: whether it brought a row.
    bool Fetched(SQLHSTMT stmt, SQLRETURN rc, const char* what);

    // Where the driver writes the number of rows of each block: on the heap, so that it stays put
    // when the reader is moved.
    std::unique_ptr<SQLULEN> rowsInBlock_ = std::make_unique<SQLULEN>(0);
    SQLULEN row_ = 0;
    bool blocks_ = false;
    bool finished_ = false;
};

// Reads the whole value of a column of the current row with SQLGetData, in chunks, and appends
// its bytes to `out` (text without a terminating zero). False for NULL (nothing appended). Throws
// DbError when the column was already read in this row.
bool GetWholeValue(SQLHSTMT stmt, SQLUSMALLINT column, SQLSMALLINT cType, std::vector<char>& out);

}  // namespace tarnwick::db
