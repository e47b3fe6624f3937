#include "db/KeyCursor.h"

#include <algorithm>
#include <cstring>

#include "db/Connection.h"
#include "db/DbError.h"
#include "db/KeyText.h"
#include "db/StatementReading.h"

namespace tarnwick::db {
namespace {

// Rows fetched at a time when every column has a bounded width.
constexpr SQLULEN kBlockRows = 1024;
// The widest value (bytes) that still goes into a block; a wider column is read value by value.
constexpr SQLLEN kMaxBoundWidth = 8192;
// Room beyond the widest text the driver announces (a sign, a fraction, the terminating zero).
constexpr SQLLEN kTextMargin = 32;

SQLLEN Attribute(SQLHSTMT stmt, SQLUSMALLINT number, SQLUSMALLINT field, const char* what) {
    SQLLEN value = 0;
    ThrowIfFailed(SQLColAttributeW(stmt, number, field, nullptr, 0, nullptr, &value),
                  SQL_HANDLE_STMT, stmt, what);
    return value;
}

bool IsLong(SQLSMALLINT type) {
    return type == SQL_LONGVARCHAR || type == SQL_WLONGVARCHAR || type == SQL_LONGVARBINARY;
}

template <class Number>
Number Load(const char* bytes) {
    Number value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

}  // namespace

KeyCursor KeyCursor::Open(const std::shared_ptr<Connection>& connection, const QString& statement) {
    if (!connection) throw DbError(QStringLiteral("The key cursor has no connection"));
    return KeyCursor(connection->SendForReading(statement, Connection::Reading::Positioned),
                     connection);
}

KeyCursor::KeyCursor(StatementHandle statement, std::shared_ptr<Connection> connection)
    : connection_(std::move(connection)), statement_(std::move(statement)) {
    Describe();
    if (blocks_) BindBlock();
}

void KeyCursor::Describe() {
    SQLHSTMT stmt = statement_.Get();
    SQLSMALLINT count = 0;
    ThrowIfFailed(SQLNumResultCols(stmt, &count), SQL_HANDLE_STMT, stmt, "SQLNumResultCols");
    blocks_ = count > 0;
    for (SQLUSMALLINT number = 1; number <= count; ++number) {
        SQLWCHAR name[512];
        SQLSMALLINT nameLength = 0, type = 0, digits = 0, nullable = 0;
        SQLULEN size = 0;
        ThrowIfFailed(SQLDescribeColW(stmt, number, name, SQLSMALLINT(std::size(name)), &nameLength,
                                      &type, &size, &digits, &nullable),
                      SQL_HANDLE_STMT, stmt, "SQLDescribeColW");
        Column column;
        column.name = QString::fromUtf16(reinterpret_cast<const char16_t*>(name),
                                         std::min<qsizetype>(nameLength, std::size(name) - 1));
        const bool isUnsigned = Attribute(stmt, number, SQL_DESC_UNSIGNED,
                                          "SQLColAttribute(SQL_DESC_UNSIGNED)") == SQL_TRUE;
        switch (type) {
            case SQL_TINYINT:
            case SQL_SMALLINT:
            case SQL_INTEGER:
            case SQL_BIGINT:
                column.form = isUnsigned ? Form::Unsigned : Form::Signed;
                column.cType = isUnsigned ? SQL_C_UBIGINT : SQL_C_SBIGINT;
                column.width = sizeof(int64_t);
                break;
            case SQL_REAL:
                // Read as a double, which holds every float exactly: in a block of rows the
                // driver steps SQL_C_FLOAT values 8 bytes apart, as if they were doubles.
                column.form = Form::Float;
                column.cType = SQL_C_DOUBLE;
                column.width = sizeof(double);
                break;
            case SQL_FLOAT:
            case SQL_DOUBLE:
                column.form = Form::Double;
                column.cType = SQL_C_DOUBLE;
                column.width = sizeof(double);
                break;
            default: {
                const bool bytes = type == SQL_BIT || type == SQL_BINARY || type == SQL_VARBINARY ||
                                   type == SQL_LONGVARBINARY;
                column.form = bytes ? Form::Bytes : Form::Text;
                column.cType = bytes ? SQL_C_BINARY : SQL_C_CHAR;
                const SQLLEN octets = Attribute(stmt, number, SQL_DESC_OCTET_LENGTH,
                                                "SQLColAttribute(SQL_DESC_OCTET_LENGTH)");
                const SQLLEN display = Attribute(stmt, number, SQL_DESC_DISPLAY_SIZE,
                                                 "SQLColAttribute(SQL_DESC_DISPLAY_SIZE)");
                const SQLLEN widest =
                    std::max({octets, display,
                              static_cast<SQLLEN>(std::min<SQLULEN>(size, kMaxBoundWidth + 1))});
                if (IsLong(type) || widest <= 0 || widest > kMaxBoundWidth) {
                    blocks_ = false;  // read value by value
                } else {
                    column.width = bytes ? widest : widest + kTextMargin;
                }
            }
        }
        columns_.push_back(std::move(column));
    }
    if (!blocks_) {
        for (Column& column : columns_) {
            column.data.resize(static_cast<size_t>(std::max<SQLLEN>(column.width, 16)));
            column.indicators.resize(1);
        }
    }
}

void KeyCursor::BindBlock() {
    SQLHSTMT stmt = statement_.Get();
    block_.UseBlocks(stmt, kBlockRows);
    for (size_t c = 0; c < columns_.size(); ++c) {
        Column& column = columns_[c];
        column.data.resize(static_cast<size_t>(column.width) * kBlockRows);
        column.indicators.resize(kBlockRows);
        ThrowIfFailed(SQLBindCol(stmt, static_cast<SQLUSMALLINT>(c + 1), column.cType,
                                 column.data.data(), column.width, column.indicators.data()),
                      SQL_HANDLE_STMT, stmt, "SQLBindCol");
    }
}

bool KeyCursor::Fetch() {
    if (!block_.Next(statement_.Get())) return false;
    if (!blocks_) ReadRow();
    return true;
}

void KeyCursor::ReadRow() {
    SQLHSTMT stmt = statement_.Get();
    for (size_t c = 0; c < columns_.size(); ++c) {
        Column& column = columns_[c];
        const auto number = static_cast<SQLUSMALLINT>(c + 1);
        if (column.form == Form::Text || column.form == Form::Bytes) {
            ReadLongValue(number, column);
        } else {
            ThrowIfFailed(SQLGetData(stmt, number, column.cType, column.data.data(), column.width,
                                     column.indicators.data()),
                          SQL_HANDLE_STMT, stmt, "SQLGetData");
        }
    }
}

void KeyCursor::ReadLongValue(SQLUSMALLINT number, Column& column) {
    // The whole value into the column's buffer; its length goes where a block's would.
    column.data.clear();
    column.indicators[0] = GetWholeValue(statement_.Get(), number, column.cType, column.data)
                               ? static_cast<SQLLEN>(column.data.size())
                               : SQL_NULL_DATA;
}

const KeyCursor::Column& KeyCursor::ColumnAt(int index) const {
    if (index < 0 || index >= FieldCount()) {
        throw DbError(QStringLiteral("Field index %1 is out of range (the row has %2 fields)")
                          .arg(index)
                          .arg(FieldCount()));
    }
    return columns_[static_cast<size_t>(index)];
}

uint64_t KeyCursor::UnsignedValue(int index) const {
    const Column& column = ColumnAt(index);
    if (column.form != Form::Unsigned) {
        throw DbError(
            QStringLiteral("Field %1 does not hold unsigned whole numbers").arg(column.name));
    }
    const SQLULEN row = block_.Row();
    if (column.indicators[row] == SQL_NULL_DATA) {
        throw DbError(QStringLiteral("Field %1 is NULL").arg(column.name));
    }
    return Load<uint64_t>(column.data.data() + static_cast<size_t>(column.width) * row);
}

bool KeyCursor::AppendValue(int index, std::string& out) const {
    const Column& column = ColumnAt(index);
    const SQLULEN row = block_.Row();
    const SQLLEN indicator = column.indicators[row];
    if (indicator == SQL_NULL_DATA) return false;
    const char* value = column.data.data() + static_cast<size_t>(column.width) * row;
    switch (column.form) {
        case Form::Signed:
            AppendInteger(Load<int64_t>(value), out);
            break;
        case Form::Unsigned:
            AppendInteger(Load<uint64_t>(value), out);
            break;
        case Form::Float:
            AppendFloat(static_cast<float>(Load<double>(value)), out);
            break;
        case Form::Double:
            AppendDouble(Load<double>(value), out);
            break;
        case Form::Bytes:
        case Form::Text: {
            // In a block a value may not fill its buffer (text: but for the terminating zero);
            // read a row at a time, the buffer holds the whole value.
            const SQLLEN room = !blocks_ ? static_cast<SQLLEN>(column.data.size())
                                : column.form == Form::Text ? column.width - 1
                                                            : column.width;
            if (indicator < 0 || indicator > room) {
                throw DbError(QStringLiteral("A value of field %1 is longer than its column allows")
                                  .arg(column.name));
            }
            if (column.form == Form::Bytes) {
                AppendHex(value, static_cast<size_t>(indicator), out);
            } else {
                out.append(value, static_cast<size_t>(indicator));
            }
        }
    }
    return true;
}

}  // namespace tarnwick::db
