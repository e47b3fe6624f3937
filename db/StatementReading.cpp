#include "db/StatementReading.h"

#include "db/DbError.h"

namespace tarnwick::db {
namespace {

constexpr size_t kChunkBytes = 8192;

}  // namespace

void RowBlock::UseBlocks(SQLHSTMT stmt, SQLULEN rows) {
    ThrowIfFailed(SQLSetStmtAttrW(stmt, SQL_ATTR_ROW_BIND_TYPE,
                                  reinterpret_cast<SQLPOINTER>(SQL_BIND_BY_COLUMN), 0),
                  SQL_HANDLE_STMT, stmt, "SQLSetStmtAttr(SQL_ATTR_ROW_BIND_TYPE)");
    ThrowIfFailed(
        SQLSetStmtAttrW(stmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(rows), 0),
        SQL_HANDLE_STMT, stmt, "SQLSetStmtAttr(SQL_ATTR_ROW_ARRAY_SIZE)");
    ThrowIfFailed(SQLSetStmtAttrW(stmt, SQL_ATTR_ROWS_FETCHED_PTR, rowsInBlock_.get(), 0),
                  SQL_HANDLE_STMT, stmt, "SQLSetStmtAttr(SQL_ATTR_ROWS_FETCHED_PTR)");
    blocks_ = true;
}

bool RowBlock::Next(SQLHSTMT stmt) {
    if (finished_) return false;
    if (blocks_ && ++row_ < *rowsInBlock_) return true;
    return Fetched(stmt, SQLFetch(stmt), "SQLFetch");
}

bool RowBlock::At(SQLHSTMT stmt, SQLLEN row) {
    return Fetched(stmt, SQLFetchScroll(stmt, SQL_FETCH_ABSOLUTE, row + 1),
                   "SQLFetchScroll(SQL_FETCH_ABSOLUTE)");
}

bool RowBlock::Fetched(SQLHSTMT stmt, SQLRETURN rc, const char* what) {
    row_ = 0;
    finished_ = rc == SQL_NO_DATA;
    if (finished_) return false;
    ThrowIfFailed(rc, SQL_HANDLE_STMT, stmt, what);
    if (blocks_ && *rowsInBlock_ == 0) {
        finished_ = true;
        return false;
    }
    return true;
}

bool GetWholeValue(SQLHSTMT stmt, SQLUSMALLINT column, SQLSMALLINT cType, std::vector<char>& out) {
    const bool text = cType == SQL_C_CHAR;
    size_t length = out.size();
    bool first = true;
    for (;;) {
        out.resize(length + kChunkBytes);
        const auto room = static_cast<SQLLEN>(kChunkBytes);
        SQLLEN indicator = 0;
        const SQLRETURN rc = SQLGetData(stmt, column, cType, out.data() + length, room, &indicator);
        if (rc == SQL_NO_DATA) {
            out.resize(length);
            if (first) throw DbError(QStringLiteral("Field %1 was already read").arg(column - 1));
            return true;
        }
        ThrowIfFailed(rc, SQL_HANDLE_STMT, stmt, "SQLGetData");
        if (indicator == SQL_NULL_DATA) {
            out.resize(length);
            return false;
        }
        first = false;
        // A truncated chunk fills the room given (text: but for its terminating zero), which the
        // next chunk then overwrites.
        const SQLLEN filled = text ? room - 1 : room;
        const bool truncated =
            rc == SQL_SUCCESS_WITH_INFO && (indicator == SQL_NO_TOTAL || indicator > filled);
        length += static_cast<size_t>(truncated ? filled : indicator);
        if (!truncated) {
            out.resize(length);
            return true;
        }
    }
}

}  // namespace tarnwick::db
