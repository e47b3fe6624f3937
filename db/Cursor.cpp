#include "db/Cursor.h"

#include "db/DbError.h"

namespace tarnwick::db {
namespace {

constexpr SQLLEN kChunkChars = 2048;

}  // namespace

Cursor::Cursor(StatementHandle statement, std::shared_ptr<Connection> connection)
    : connection_(std::move(connection)), statement_(std::move(statement)) {
    SQLSMALLINT columns = 0;
    ThrowIfFailed(SQLNumResultCols(statement_.Get(), &columns), SQL_HANDLE_STMT, statement_.Get(),
                  "SQLNumResultCols");
    fieldNames_.reserve(columns);
    for (SQLUSMALLINT i = 1; i <= columns; ++i) {
        SQLWCHAR name[512];
        SQLSMALLINT nameLength = 0;
        SQLSMALLINT type = 0;
        SQLULEN size = 0;
        SQLSMALLINT digits = 0;
        SQLSMALLINT nullable = 0;
        ThrowIfFailed(SQLDescribeColW(statement_.Get(), i, name, SQLSMALLINT(std::size(name)),
                                      &nameLength, &type, &size, &digits, &nullable),
                      SQL_HANDLE_STMT, statement_.Get(), "SQLDescribeColW");
        const qsizetype length = std::min<qsizetype>(nameLength, qsizetype(std::size(name)) - 1);
        fieldNames_.push_back(QString::fromUtf16(reinterpret_cast<const char16_t*>(name), length));
    }
    buffer_.resize(kChunkChars + 1);
}

const QString& Cursor::FieldName(int column) const {
    if (column < 0 || column >= FieldCount()) {
        throw DbError(QStringLiteral("Field index %1 is out of range (the row has %2 fields)")
                          .arg(column)
                          .arg(FieldCount()));
    }
    return fieldNames_[static_cast<size_t>(column)];
}

bool Cursor::Fetch() {
    const SQLRETURN rc = SQLFetch(statement_.Get());
    if (rc == SQL_NO_DATA) return false;
    ThrowIfFailed(rc, SQL_HANDLE_STMT, statement_.Get(), "SQLFetch");
    return true;
}

bool Cursor::ReadInto(int column, std::vector<char16_t>& out) {
    FieldName(column);  // range check
    const auto number = static_cast<SQLUSMALLINT>(column + 1);
    const auto bufferBytes = static_cast<SQLLEN>(buffer_.size() * sizeof(SQLWCHAR));
    bool first = true;
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN rc = SQLGetData(statement_.Get(), number, SQL_C_WCHAR, buffer_.data(),
                                        bufferBytes, &indicator);
        if (rc == SQL_NO_DATA) {
            if (first) throw DbError(QStringLiteral("Field %1 was already read").arg(column));
            return true;
        }
        ThrowIfFailed(rc, SQL_HANDLE_STMT, statement_.Get(), "SQLGetData");
        if (indicator == SQL_NULL_DATA) return false;
        first = false;
        // Whole value or the rest of it: the indicator gives its length in bytes. A truncated
        // chunk fills the buffer but for the terminating zero.
        const bool truncated = (rc == SQL_SUCCESS_WITH_INFO) &&
                               (indicator == SQL_NO_TOTAL || indicator >= bufferBytes);
        const size_t chars =
            truncated ? buffer_.size() - 1 : static_cast<size_t>(indicator) / sizeof(SQLWCHAR);
        out.insert(out.end(), buffer_.begin(), buffer_.begin() + static_cast<ptrdiff_t>(chars));
        if (!truncated) return true;
    }
}

Value Cursor::Read(int column) {
    scratch_.clear();
    if (!ReadInto(column, scratch_)) return std::nullopt;
    return QString::fromUtf16(scratch_.data(), static_cast<qsizetype>(scratch_.size()));
}

}  // namespace tarnwick::db
