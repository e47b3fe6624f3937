#include "db/KeyCursor.h"

#include <algorithm>
#include <cstring>

#include "db/Connection.h"
#include "db/DbError.h"
#include "db/KeyText.h"

namespace tarnwick::db {
namespace {

// Rows fetched at a time when every column has a bounded width.
constexpr SQLULEN kBlockRows = 1024;
// The widest value (bytes) that still goes into a block; a wider column is read value by value.
constexpr SQLLEN kMaxBoundWidth = 8192;
// Room beyond the widest text the driver announces (a sign, a fraction, the terminating zero).
constexpr SQLLEN kTextMargin = 32;

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
    return KeyCursor(connection->Query(statement));
}

KeyCursor::KeyCursor(ResultReader result) : result_(std::move(result)) {
    std::vector<ResultReader::Binding> bindings;
    for (const ResultReader::Column& column : result_.Columns()) {
        Form form = Form::Text;
        ResultReader::Binding binding;
        switch (column.type) {
            case SQL_TINYINT:
            case SQL_SMALLINT:
            case SQL_INTEGER:
            case SQL_BIGINT:
                form = column.isUnsigned ? Form::Unsigned : Form::Signed;
                binding = {
                    static_cast<SQLSMALLINT>(column.isUnsigned ? SQL_C_UBIGINT : SQL_C_SBIGINT),
                    sizeof(int64_t)};
                break;
            case SQL_REAL:
                // Read as a double, which holds every float exactly: in a block of rows the
                // driver steps SQL_C_FLOAT values 8 bytes apart, as if they were doubles.
                form = Form::Float;
                binding = {SQL_C_DOUBLE, sizeof(double)};
                break;
            case SQL_FLOAT:
            case SQL_DOUBLE:
                form = Form::Double;
                binding = {SQL_C_DOUBLE, sizeof(double)};
                break;
            default: {
                const SQLSMALLINT type = column.type;
                const bool bytes = HoldsBytes(type);
                form = bytes ? Form::Bytes : Form::Text;
                const SQLLEN widest = std::max(
                    {column.octetLength, column.displaySize,
                     static_cast<SQLLEN>(std::min<SQLULEN>(column.size, kMaxBoundWidth + 1))});
                const bool unbounded = IsLong(type) || widest <= 0 || widest > kMaxBoundWidth;
                binding = {static_cast<SQLSMALLINT>(bytes ? SQL_C_BINARY : SQL_C_CHAR),
                           unbounded ? 0
                           : bytes   ? widest
                                     : widest + kTextMargin};
            }
        }
        forms_.push_back(form);
        bindings.push_back(binding);
    }
    result_.Bind(bindings, kBlockRows);
}

void KeyCursor::RequireColumn(int column) const {
    result_.ColumnName(column);  // range check
}

const char* KeyCursor::IntegerBytes(int column, bool isSigned) const {
    RequireColumn(column);
    const QString& name = result_.Columns()[static_cast<size_t>(column)].name;
    if (forms_[static_cast<size_t>(column)] != (isSigned ? Form::Signed : Form::Unsigned)) {
        throw DbError(
            QStringLiteral("Field %1 does not hold %2 whole numbers")
                .arg(name, isSigned ? QStringLiteral("signed") : QStringLiteral("unsigned")));
    }
    size_t length = 0;
    const char* value = result_.ValueBytes(column, length);
    if (value == nullptr) throw DbError(QStringLiteral("Field %1 is NULL").arg(name));
    return value;
}

uint64_t KeyCursor::UnsignedValue(int column) const {
    return Load<uint64_t>(IntegerBytes(column, false));
}

int64_t KeyCursor::SignedValue(int column) const {
    return Load<int64_t>(IntegerBytes(column, true));
}

bool KeyCursor::HoldsIntegers(int column) const {
    RequireColumn(column);
    const Form form = forms_[static_cast<size_t>(column)];
    return form == Form::Signed || form == Form::Unsigned;
}

bool KeyCursor::HoldsSignedIntegers(int column) const {
    RequireColumn(column);
    return forms_[static_cast<size_t>(column)] == Form::Signed;
}

size_t KeyCursor::RowBytes() const {
    size_t bytes = 0;
    for (int column = 0; column < FieldCount(); ++column) {
        size_t length = 0;
        if (result_.ValueBytes(column, length) != nullptr) bytes += length;
    }
    return bytes;
}

bool KeyCursor::AppendValue(int column, std::string& out, Bytes bytes) const {
    RequireColumn(column);
    size_t length = 0;
    const char* value = result_.ValueBytes(column, length);
    if (value == nullptr) return false;
    switch (forms_[static_cast<size_t>(column)]) {
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
            if (bytes == Bytes::Raw) {
                out.append(value, length);
            } else {
                AppendHex(value, length, out);
            }
            break;
        case Form::Text:
            out.append(value, length);
            break;
    }
    return true;
}

}  // namespace tarnwick::db
