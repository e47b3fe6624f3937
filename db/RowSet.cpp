#include "db/RowSet.h"

#include "db/Connection.h"
#include "db/Cursor.h"
#include "db/DbError.h"

namespace tarnwick::db {

void RowSet::Open(const QString& statement, const std::shared_ptr<Connection>& connection) {
    if (!connection) throw DbError(QStringLiteral("The row set has no connection"));
    Cursor cursor = connection->OpenCursor(statement);
    Fill(cursor, connection);
}

void RowSet::Fill(Cursor& cursor, std::shared_ptr<Connection> connection) {
    Close();
    // A statement that returns no columns (DROP, CREATE, ...) leaves the row set closed.
    if (cursor.FieldCount() == 0) return;
    std::vector<QString> names;
    for (int c = 0; c < cursor.FieldCount(); ++c) names.push_back(cursor.FieldName(c));
    std::vector<char16_t> chars;
    std::vector<uint64_t> ends;
    std::vector<bool> nulls;
    long rows = 0;
    while (cursor.Fetch()) {
        for (int c = 0; c < cursor.FieldCount(); ++c) {
            nulls.push_back(!cursor.ReadInto(c, chars));
            ends.push_back(chars.size());
        }
        ++rows;
    }
    chars.shrink_to_fit();
    fieldNames_ = std::move(names);
    chars_ = std::move(chars);
    ends_ = std::move(ends);
    nulls_ = std::move(nulls);
    rowCount_ = rows;
    position_ = 0;
    connection_ = std::move(connection);
    open_ = true;
}

void RowSet::Close() {
    open_ = false;
    fieldNames_.clear();
    chars_.clear();
    chars_.shrink_to_fit();
    ends_.clear();
    ends_.shrink_to_fit();
    nulls_.clear();
    nulls_.shrink_to_fit();
    rowCount_ = 0;
    position_ = 0;
    connection_.reset();
}

void RowSet::RequireOpen() const {
    if (!open_)
        throw DbError(QStringLiteral("Operation is not allowed when the object is closed."));
}

long RowSet::RecordCount() const {
    RequireOpen();
    return rowCount_;
}

int RowSet::FieldCount() const {
    RequireOpen();
    return static_cast<int>(fieldNames_.size());
}

QString RowSet::FieldName(int column) const {
    RequireOpen();
    if (column < 0 || column >= FieldCount()) {
        throw DbError(QStringLiteral("Field index %1 is out of range (the row set has %2 fields)")
                          .arg(column)
                          .arg(FieldCount()));
    }
    return fieldNames_[static_cast<size_t>(column)];
}

bool RowSet::Eof() const {
    RequireOpen();
    return position_ >= rowCount_;
}

void RowSet::MoveNext() {
    if (Eof()) throw DbError(QStringLiteral("The row set is already past its last row"));
    ++position_;
}

long RowSet::Position() const {
    RequireOpen();
    return position_;
}

Value RowSet::Field(int column) const {
    if (Eof())
        throw DbError(QStringLiteral("The row set has no current row (it is past its last row)"));
    return ValueAt(position_, column);
}

size_t RowSet::CellIndex(long row, int column) const {
    RequireOpen();
    if (row < 0 || row >= rowCount_) {
        throw DbError(QStringLiteral("Row %1 is out of range (the row set has %2 rows)")
                          .arg(row)
                          .arg(rowCount_));
    }
    FieldName(column);  // range check
    return static_cast<size_t>(row) * fieldNames_.size() + static_cast<size_t>(column);
}

bool RowSet::IsNullAt(long row, int column) const {
    return nulls_[CellIndex(row, column)];
}

Value RowSet::ValueAt(long row, int column) const {
    const size_t k = CellIndex(row, column);
    if (nulls_[k]) return std::nullopt;
    const uint64_t begin = k == 0 ? 0 : ends_[k - 1];
    return QString::fromUtf16(chars_.data() + begin, static_cast<qsizetype>(ends_[k] - begin));
}

}  // namespace tarnwick::db
