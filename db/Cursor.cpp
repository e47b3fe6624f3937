#include "db/Cursor.h"

#include "db/Connection.h"
#include "db/DbError.h"
#include "db/KeyText.h"

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

void AppendText(bool binary, const char* bytes, size_t length, std::vector<char16_t>& out) {
    if (binary) {
        AppendHex(bytes, length, out);  // db/KeyText.h
    } else {
        AppendUtf8(bytes, length, out);
    }
}

}  // namespace

Cursor::Cursor(ResultReader result) : result_(std::move(result)) {
    std::vector<ResultReader::Binding> bindings;
    for (const ResultReader::Column& column : result_.Columns()) {
        const bool binary = HoldsBytes(column.type);
        binary_.push_back(binary);
        // Room for the widest text form: up to four bytes a character, a margin, the zero.
        const auto widest = std::max<SQLLEN>(
            static_cast<SQLLEN>(std::min<SQLULEN>(column.size, 1 << 20)), column.displaySize);
        bindings.push_back({static_cast<SQLSMALLINT>(binary ? SQL_C_BINARY : SQL_C_CHAR),
                            widest <= 0 || widest > kMaxBoundWidth ? 0 : widest * 4 + 16});
    }
    result_.Bind(bindings, kBlockRows);
}

long Cursor::RowCount() {
    return result_.RowCount();
}

bool Cursor::FetchAt(long row) {
    return result_.FetchAt(row);
}

const QString& Cursor::FieldName(int column) const {
    return result_.ColumnName(column);
}

bool Cursor::Fetch() {
    return result_.Fetch();
}

bool Cursor::ReadInto(int column, std::vector<char16_t>& out) {
    FieldName(column);  // range check
    size_t length = 0;
    const char* bytes = result_.ValueBytes(column, length);
    if (bytes == nullptr) return false;
    AppendText(binary_[static_cast<size_t>(column)], bytes, length, out);
    return true;
}

Value Cursor::Read(int column) {
    scratch_.clear();
    if (!ReadInto(column, scratch_)) return std::nullopt;
    return QString::fromUtf16(scratch_.data(), static_cast<qsizetype>(scratch_.size()));
}

}  // namespace tarnwick::db
