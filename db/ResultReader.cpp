#include "db/ResultReader.h"

#include <algorithm>

#include "db/Connection.h"
#include "db/DbError.h"

namespace tarnwick::db {
namespace {

SQLLEN Attribute(SQLHSTMT stmt, SQLUSMALLINT number, SQLUSMALLINT field, const char* what) {
    SQLLEN value = 0;
    ThrowIfFailed(SQLColAttributeW(stmt, number, field, nullptr, 0, nullptr, &value),
                  SQL_HANDLE_STMT, stmt, what);
    return value;
}

// Whether values of this C type have a fixed size (read with one SQLGetData a row at a time).
bool FixedSize(SQLSMALLINT cType) {
    return cType != SQL_C_CHAR && cType != SQL_C_BINARY;
}

}  // namespace

ResultReader::ResultReader(StatementHandle statement, std::shared_ptr<Connection> connection)
    : connection_(std::move(connection)), statement_(std::move(statement)) {
    SQLHSTMT stmt = statement_.Get();
    SQLSMALLINT count = 0;
    ThrowIfFailed(SQLNumResultCols(stmt, &count), SQL_HANDLE_STMT, stmt, "SQLNumResultCols");
    for (SQLUSMALLINT number = 1; number <= count; ++number) {
        SQLWCHAR name[512];
        SQLSMALLINT nameLength = 0, digits = 0, nullable = 0;
        Column column;
        ThrowIfFailed(SQLDescribeColW(stmt, number, name, SQLSMALLINT(std::size(name)), &nameLength,
                                      &column.type, &column.size, &digits, &nullable),
                      SQL_HANDLE_STMT, stmt, "SQLDescribeColW");
        column.name = QString::fromUtf16(reinterpret_cast<const char16_t*>(name),
                                         std::min<qsizetype>(nameLength, std::size(name) - 1));
        column.isUnsigned = Attribute(stmt, number, SQL_DESC_UNSIGNED,
                                      "SQLColAttribute(SQL_DESC_UNSIGNED)") == SQL_TRUE;
        column.octetLength = Attribute(stmt, number, SQL_DESC_OCTET_LENGTH,
                                       "SQLColAttribute(SQL_DESC_OCTET_LENGTH)");
        column.displaySize = Attribute(stmt, number, SQL_DESC_DISPLAY_SIZE,
                                       "SQLColAttribute(SQL_DESC_DISPLAY_SIZE)");
        columns_.push_back(std::move(column));
    }
}

const QString& ResultReader::ColumnName(int column) const {
    if (column < 0 || column >= ColumnCount()) {
        throw DbError(QStringLiteral("Field index %1 is out of range (the row has %2 fields)")
                          .arg(column)
                          .arg(ColumnCount()));
    }
    return columns_[static_cast<size_t>(column)].name;
}

void ResultReader::Bind(const std::vector<Binding>& bindings, SQLULEN blockRows) {
    SQLHSTMT stmt = statement_.Get();
    blocks_ = !bindings.empty() && std::all_of(bindings.begin(), bindings.end(),
                                               [](const Binding& b) { return b.width > 0; });
    blockRows_ = blocks_ ? blockRows : 1;
    buffers_.assign(bindings.size(), {});
    if (blocks_) block_.UseBlocks(stmt, blockRows_);
    for (size_t c = 0; c < bindings.size(); ++c) {
        Buffer& buffer = buffers_[c];
        buffer.cType = bindings[c].cType;
        buffer.indicators.resize(blockRows_);
        if (!blocks_) {
            // A row at a time: the value goes whole into the buffer (ReadRow).
            buffer.width = FixedSize(buffer.cType) ? std::max<SQLLEN>(bindings[c].width, 16) : 0;
            buffer.data.resize(static_cast<size_t>(buffer.width));
            buffer.room = buffer.width;
            continue;
        }
        buffer.width = bindings[c].width;
        // Text: all but the terminating zero.
        buffer.room = buffer.cType == SQL_C_CHAR ? buffer.width - 1 : buffer.width;
        buffer.data.resize(static_cast<size_t>(buffer.width) * blockRows_);
        ThrowIfFailed(SQLBindCol(stmt, static_cast<SQLUSMALLINT>(c + 1), buffer.cType,
                                 buffer.data.data(), buffer.width, buffer.indicators.data()),
                      SQL_HANDLE_STMT, stmt, "SQLBindCol");
    }
}

bool ResultReader::Fetch() {
    if (!block_.Next(statement_.Get())) return false;
    if (!blocks_) ReadRow();
    return true;
}

bool ResultReader::FetchAt(long row) {
    if (!block_.At(statement_.Get(), static_cast<SQLLEN>(row))) return false;
    if (!blocks_) ReadRow();
    return true;
}

void ResultReader::ReadRow() {
    SQLHSTMT stmt = statement_.Get();
    for (size_t c = 0; c < buffers_.size(); ++c) {
        Buffer& buffer = buffers_[c];
        const auto number = static_cast<SQLUSMALLINT>(c + 1);
        if (FixedSize(buffer.cType)) {
            ThrowIfFailed(SQLGetData(stmt, number, buffer.cType, buffer.data.data(), buffer.width,
                                     buffer.indicators.data()),
                          SQL_HANDLE_STMT, stmt, "SQLGetData");
            continue;
        }
        // The whole value; its length goes where a block's would.
        buffer.data.clear();
        const bool present = GetWholeValue(stmt, number, buffer.cType, buffer.data);
        buffer.room = static_cast<SQLLEN>(buffer.data.size());
        buffer.indicators[0] = present ? buffer.room : SQL_NULL_DATA;
    }
}

long ResultReader::RowCount() {
    SQLHSTMT stmt = statement_.Get();
    SQLLEN count = -1;
    ThrowIfFailed(SQLRowCount(stmt, &count), SQL_HANDLE_STMT, stmt, "SQLRowCount");
    // The driver keeps the whole result and counts it; a count it does not know would leave
    // RecordCount wrong, so it is a failure.
    if (count < 0) throw DbError(QStringLiteral("The driver did not count the rows of the result"));
    return static_cast<long>(count);
}

void ResultReader::ThrowTooLong(int column) const {
    throw DbError(QStringLiteral("A value of field %1 is longer than its column allows")
                      .arg(columns_[static_cast<size_t>(column)].name));
}

}  // namespace tarnwick::db
