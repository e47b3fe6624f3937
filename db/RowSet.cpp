#include "db/RowSet.h"

#include "db/Connection.h"
#include "db/Cursor.h"
#include "db/DbError.h"
#include "db/RowBlockCache.h"

namespace tarnwick::db {
namespace {

// Rows per block when every value comes by itself (wide columns such as TEXT or BLOB).
constexpr long kRowsPerBlockOfWideValues = 32;

// Whether the cursor's connection is at work on another statement: its rows must then wait.
bool AtWork(const Cursor& cursor) {
    const std::shared_ptr<Connection>& connection = cursor.GetConnection();
    return connection && connection->Work().AtWork();
}

}  // namespace

RowSet::RowSet() = default;

RowSet::~RowSet() {
    Close();
}

void RowSet::Open(const QString& statement, const std::shared_ptr<Connection>& connection) {
    if (!connection) throw DbError(QStringLiteral("The row set has no connection"));
    Take(connection->OpenCursor(statement, Connection::Reading::Positioned));
}

void RowSet::Take(Cursor cursor) {
    Close();
    if (cursor.FieldCount() == 0) return;
    auto owned = std::make_unique<Cursor>(std::move(cursor));
    const long rows = owned->RowCount();
    const long perFetch = owned->RowsPerFetch();
    cache_ = std::make_unique<RowBlockCache>(owned->FieldCount(),
                                             perFetch > 1 ? perFetch : kRowsPerBlockOfWideValues);
    cursor_ = std::move(owned);
    rowCount_ = rows;
    position_ = 0;
    // The first rows at once: a grid bound now shows them even while its connection goes on to
    // the next statement.
    if (rowCount_ > 0) cache_->ValueAt(*cursor_, 0, 0);
}

void RowSet::Close() {
    cache_.reset();
    // A grid may let go of its rows while their connection works on another statement; the
    // statement is then freed once that call has returned.
    if (cursor_ && AtWork(*cursor_)) {
        std::shared_ptr<Cursor> held = std::move(cursor_);
        held->GetConnection()->Work().AfterWork([held] {});
    }
    cursor_.reset();
    rowCount_ = 0;
    position_ = 0;
}

void RowSet::RequireOpen() const {
    if (!IsOpen()) throw DbError(QString::fromUtf16(kObjectClosedText));
}

long RowSet::RecordCount() const {
    RequireOpen();
    return rowCount_;
}

int RowSet::FieldCount() const {
    RequireOpen();
    return cursor_->FieldCount();
}

QString RowSet::FieldName(int column) const {
    RequireOpen();
    if (column < 0 || column >= FieldCount()) {
        throw DbError(QStringLiteral("Field index %1 is out of range (the row set has %2 fields)")
                          .arg(column)
                          .arg(FieldCount()));
    }
    return cursor_->FieldName(column);
}

bool RowSet::Eof() const {
    RequireOpen();
    return position_ >= rowCount_;
}

void RowSet::MoveNext() {
    if (Eof()) throw DbError(QStringLiteral("The row set is already past its last row"));
    ++position_;
}

Value RowSet::Field(int column) const {
    if (Eof())
        throw DbError(QStringLiteral("The row set has no current row (it is past its last row)"));
    return ValueAt(position_, column);
}

void RowSet::RequireCell(long row, int column) const {
    RequireOpen();
    if (row < 0 || row >= rowCount_) {
        throw DbError(QStringLiteral("Row %1 is out of range (the row set has %2 rows)")
                          .arg(row)
                          .arg(rowCount_));
    }
    FieldName(column);  // range check
}

bool RowSet::CanReadAt(long row) const {
    return IsOpen() && (cache_->Holds(row) || !AtWork(*cursor_));
}

void RowSet::WhenReadable(std::function<void()> then) const {
    if (!IsOpen() || !cursor_->GetConnection()) return then();
    cursor_->GetConnection()->Work().AfterWork(std::move(then));
}

Value RowSet::ValueAt(long row, int column) const {
    RequireCell(row, column);
    if (!CanReadAt(row)) {
        throw DbError(QStringLiteral(
            "The rows cannot be read now: their connection is at work on another statement."));
    }
    return cache_->ValueAt(*cursor_, row, column);
}

}  // namespace tarnwick::db
