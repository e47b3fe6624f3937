#include "db/Cursor.h"

#include "db/Connection.h"
#include "db/DbError.h"
#include "db/StatementReading.h"

namespace tarnwick::db {
namespace {

// Values are read as UTF-8 text (SQL_C_CHAR; the connection's character set is utf8mb4) and
// decoded here: asking the driver for UTF-16 makes it set up a character conversion for every
// single value, which costs more than everything else of a run together. Binary values are read
// as their bytes and written as hexadecimal digits, so that different bytes never give the same
// text.

// Rows fetched at a time when every column has a modest maximum width.
constexpr SQLULEN kBlockRows = 256;
// Widest column (bytes) that still goes into a block; wider ones (TEXT, BLOB) are read value by
// value in chunks.
constexpr SQLLEN kMaxBoundWidth = 4096;

bool IsBinary(SQLSMALLINT type) {
    return type == SQL_BINARY || type == SQL_VARBINARY || type == SQL_LONGVARBINARY;
}

void AppendUtf8(const char* bytes, size_t length, std::vector<char16_t>& out) {
    bool ascii = true;
    for (size_t i = 0; i < length; ++i)
        ascii = ascii && static_cast<unsigned char>(bytes[i]) < 0x80;
    if (ascii) {
        out.insert(out.end(), bytes, bytes + length);
        return;
    }
    const QString text = QString::fromUtf8(bytes, static_cast<qsizetype>(length));
    const auto* utf16 = reinterpret_cast<const char16_t*>(text.utf16());
    out.insert(out.end(), utf16, utf16 + text.size());
}

void AppendHex(const char* bytes, size_t length, std::vector<char16_t>& out) {
    if (length == 0) return;
    static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    out.push_back(u'0');
    out.push_back(u'x');
    for (size_t i = 0; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        out.push_back(kDigits[byte >> 4]);
        out.push_back(kDigits[byte & 0x0F]);
    }
}

void AppendText(bool binary, const char* bytes, size_t length, std::vector<char16_t>& out) {
    if (binary) {
        AppendHex(bytes, length, out);
    } else {
        AppendUtf8(bytes, length, out);
    }
}

}  // namespace

Cursor::Cursor(StatementHandle statement, std::shared_ptr<Connection> connection)
    : connection_(std::move(connection)), statement_(std::move(statement)) {
    SQLHSTMT stmt = statement_.Get();
    SQLSMALLINT columns = 0;
    ThrowIfFailed(SQLNumResultCols(stmt, &columns), SQL_HANDLE_STMT, stmt, "SQLNumResultCols");
    std::vector<SQLLEN> widths;
    for (SQLUSMALLINT i = 1; i <= columns; ++i) {
        SQLWCHAR name[512];
        SQLSMALLINT nameLength = 0;
        SQLSMALLINT type = 0;
        SQLULEN size = 0;
        SQLSMALLINT digits = 0;
        SQLSMALLINT nullable = 0;
        ThrowIfFailed(SQLDescribeColW(stmt, i, name, SQLSMALLINT(std::size(name)), &nameLength,
                                      &type, &size, &digits, &nullable),
                      SQL_HANDLE_STMT, stmt, "SQLDescribeColW");
        SQLLEN displaySize = 0;
        ThrowIfFailed(
            SQLColAttributeW(stmt, i, SQL_DESC_DISPLAY_SIZE, nullptr, 0, nullptr, &displaySize),
            SQL_HANDLE_STMT, stmt, "SQLColAttribute(SQL_DESC_DISPLAY_SIZE)");
        const qsizetype length = std::min<qsizetype>(nameLength, qsizetype(std::size(name)) - 1);
        fieldNames_.push_back(QString::fromUtf16(reinterpret_cast<const char16_t*>(name), length));
        binary_.push_back(IsBinary(type));
        // Room for the widest text form: up to four bytes a character, a margin, the zero.
        const auto widest =
            std::max<SQLLEN>(static_cast<SQLLEN>(std::min<SQLULEN>(size, 1 << 20)), displaySize);
        widths.push_back(widest <= 0 || widest > kMaxBoundWidth ? 0 : widest * 4 + 16);
    }
    const bool allBounded = !widths.empty() && std::all_of(widths.begin(), widths.end(),
                                                           [](SQLLEN w) { return w > 0; });
    if (allBounded) BindBlock(widths);
}

void Cursor::BindBlock(const std::vector<SQLLEN>& widths) {
    SQLHSTMT stmt = statement_.Get();
    block_.UseBlocks(stmt, kBlockRows);
    bound_.resize(widths.size());
    for (size_t c = 0; c < widths.size(); ++c) {
        BoundColumn& column = bound_[c];
        column.width = widths[c];
        column.data.resize(static_cast<size_t>(column.width) * kBlockRows);
        column.indicators.resize(kBlockRows);
        ThrowIfFailed(SQLBindCol(stmt, static_cast<SQLUSMALLINT>(c + 1),
                                 binary_[c] ? SQL_C_BINARY : SQL_C_CHAR, column.data.data(),
                                 column.width, column.indicators.data()),
                      SQL_HANDLE_STMT, stmt, "SQLBindCol");
    }
}

long Cursor::RowCount() {
    SQLHSTMT stmt = statement_.Get();
    SQLLEN count = -1;
    ThrowIfFailed(SQLRowCount(stmt, &count), SQL_HANDLE_STMT, stmt, "SQLRowCount");
    // The driver keeps the whole result and counts it; a count it does not know would leave
    // RecordCount wrong, so it is a failure.
    if (count < 0) throw DbError(QStringLiteral("The driver did not count the rows of the result"));
    return static_cast<long>(count);
}

bool Cursor::FetchAt(long row) {
    return block_.At(statement_.Get(), static_cast<SQLLEN>(row));
}

long Cursor::RowsPerFetch() const {
    return bound_.empty() ? 1 : static_cast<long>(kBlockRows);
}

bool Cursor::ConnectionBusy() const {
    return connection_ && connection_->Busy();
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
    return block_.Next(statement_.Get());
}

bool Cursor::ReadInto(int column, std::vector<char16_t>& out) {
    FieldName(column);  // range check
    const auto c = static_cast<size_t>(column);
    if (!bound_.empty()) {
        const BoundColumn& bound = bound_[c];
        const SQLLEN indicator = bound.indicators[block_.Row()];
        if (indicator == SQL_NULL_DATA) return false;
        const SQLLEN room = binary_[c] ? bound.width : bound.width - 1;
        if (indicator < 0 || indicator > room) {
            throw DbError(QStringLiteral("A value of field %1 is longer than its column allows")
                              .arg(fieldNames_[c]));
        }
        const char* bytes = bound.data.data() + static_cast<size_t>(bound.width) * block_.Row();
        AppendText(binary_[c], bytes, static_cast<size_t>(indicator), out);
        return true;
    }

    const bool binary = binary_[c];
    bytes_.clear();
    if (!GetWholeValue(statement_.Get(), static_cast<SQLUSMALLINT>(column + 1),
                       binary ? SQL_C_BINARY : SQL_C_CHAR, bytes_)) {
        return false;
    }
    AppendText(binary, bytes_.data(), bytes_.size(), out);
    return true;
}

Value Cursor::Read(int column) {
    scratch_.clear();
    if (!ReadInto(column, scratch_)) return std::nullopt;
    return QString::fromUtf16(scratch_.data(), static_cast<qsizetype>(scratch_.size()));
}

}  // namespace tarnwick::db
