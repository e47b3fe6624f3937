#include "db/RowSet.h"

#include <algorithm>

#include "db/Connection.h"
#include "db/Cursor.h"
#include "db/DbError.h"
#include "db/RowBlockCache.h"

namespace tarnwick::db {
namespace {

// Rows per block when every value comes by itself (wide columns such as TEXT or BLOB).
constexpr long kRowsPerBlockOfWideValues = 32;

}  // namespace

RowSet::RowSet() = default;

RowSet::~RowSet() {
    Close();
}

void RowSet::Open(const QString& statement, const std::shared_ptr<Connection>& connection) {
    if (!connection) throw DbError(QStringLiteral("The row set has no connection"));
    Take(connection->OpenCursor(statement, Connection::Reading::Positioned));
}

void RowSet::OpenInParts(TableParts parts, const std::shared_ptr<Connection>& connection) {
    if (!connection) throw DbError(QStringLiteral("The row set has no connection"));
    Close();
    Take(connection->OpenCursor(parts.part(0, kFirstPartRows), Connection::Reading::Positioned));
    if (!open_) return;
    if (rowCount_ == kFirstPartRows) {
        try {
            rowCount_ = parts.rows ? std::max(*parts.rows, rowCount_) : CountRows(parts);
        } catch (const DbError&) {
            Close();
            throw;
        }
    }
    parts_ = std::move(parts);
}

long RowSet::CountRows(const TableParts& parts) const {
    Cursor count = connection_->OpenCursor(parts.count);
    const Value counted = count.Fetch() ? count.Read(0) : std::nullopt;
    bool isNumber = false;
    const long rows = counted ? counted->toLong(&isNumber) : 0;
    if (!isNumber) throw DbError(QStringLiteral("The table's rows could not be counted"));
    return rows;
}

void RowSet::Take(Cursor cursor) {
    Close();
    if (cursor.FieldCount() == 0) return;
    auto owned = std::make_unique<Cursor>(std::move(cursor));
    const long rows = owned->RowCount();
    const long perFetch = owned->RowsPerFetch();
    cache_ = std::make_unique<RowBlockCache>(owned->FieldCount(),
                                             perFetch > 1 ? perFetch : kRowsPerBlockOfWideValues);
    for (int c = 0; c < owned->FieldCount(); ++c) names_.push_back(owned->FieldName(c));
    wideValues_ = perFetch <= 1;
    connection_ = owned->GetConnection();
    cursor_ = std::move(owned);
    open_ = true;
    rowCount_ = rows;
    partFirst_ = 0;
    partRows_ = rows;
    position_ = 0;
    // The first rows at once: a grid bound now shows them even while its connection goes on to
    // the next statement.
    if (rowCount_ > 0) cache_->ValueAt(cursor_.get(), 0, 0);
}

void RowSet::ReleaseCursor() {
    // A grid may let go of its rows while their connection works on another statement; the
    // statement is then freed once that call has returned.
    if (cursor_ && AtWork()) {
        std::shared_ptr<Cursor> held = std::move(cursor_);
        held->GetConnection()->Work().AfterWork([held] {});
    }
    cursor_.reset();
    partRows_ = 0;
}

void RowSet::Close() {
    ReleaseCursor();
    cache_.reset();
    connection_.reset();
    parts_.reset();
    names_.clear();
    partFailure_.reset();
    open_ = false;
    rowCount_ = 0;
    position_ = 0;
    partFirst_ = 0;
}

bool RowSet::AtWork() const {
    return connection_ && connection_->Work().AtWork();
}

bool RowSet::InPart(long row) const {
    return cursor_ && row >= partFirst_ && row < partFirst_ + partRows_;
}

void RowSet::ReadPart(long first, long rows) {
    // The part held goes first, so that the driver never holds two.
    ReleaseCursor();
    partFirst_ = first;
    partFailure_.reset();
    const std::shared_ptr<Connection> connection = connection_;
    const QString statement = parts_->part(first, rows);
    try {
        Cursor cursor = connection->OpenCursor(statement, Connection::Reading::Positioned);
        // Closed, or another part read, while this one waited: this result is not wanted.
        if (!open_ || cursor_ || partFirst_ != first) return;
        partRows_ = cursor.RowCount();
        cursor_ = std::make_unique<Cursor>(std::move(cursor));
        partFailure_.reset();
    } catch (const DbError& failure) {
        if (!open_ || cursor_ || partFirst_ != first) return;
        partFailure_ = failure.Description();
        return;
    }
    // The table has fewer rows than were counted (rows were deleted since): it ends with this
    // part, or, when the part is empty, where a new count says.
    if (partRows_ < rows && first + partRows_ < rowCount_) {
        // The rows read before may have moved too.
        cache_->Clear();
        rowCount_ = first + partRows_;
        if (partRows_ == 0) {
            try {
                rowCount_ = std::min(rowCount_, CountRows(*parts_));
            } catch (const DbError&) {
                // The part's own end stands.
            }
        }
    }
}

bool RowSet::ReadPartAt(long row) {
    RequireOpen();
    if (!parts_ || row < 0 || row >= rowCount_) return false;
    if (InPart(row)) return true;
    const long partRows = wideValues_ ? kFirstPartRows : kPartRows;
    // Scrolling up, the part ends with the row's block; otherwise it begins with it.
    long first = row - row % kFirstPartRows;
    if (cursor_ && row < partFirst_) first = std::max(0L, first + kFirstPartRows - partRows);
    ReadPart(first, partRows);
    return InPart(row);
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
    return static_cast<int>(names_.size());
}

QString RowSet::FieldName(int column) const {
    RequireOpen();
    if (column < 0 || column >= FieldCount()) {
        throw DbError(QStringLiteral("Field index %1 is out of range (the row set has %2 fields)")
                          .arg(column)
                          .arg(FieldCount()));
    }
    return names_[static_cast<size_t>(column)];
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
    if (!IsOpen()) return false;
    if (cache_->Holds(row)) return true;
    if (AtWork()) return false;
    return InPart(row) || (parts_ && partFailure_);
}

bool RowSet::NeedsPartFor(long row) const {
    return IsOpen() && parts_ && !cache_->Holds(row) && !InPart(row) && !AtWork() && row >= 0 &&
           row < rowCount_;
}

void RowSet::WhenReadable(std::function<void()> then) const {
    if (!IsOpen() || !connection_) return then();
    connection_->Work().AfterWork(std::move(then));
}

Value RowSet::ValueAt(long row, int column) const {
    RequireCell(row, column);
    if (!cache_->Holds(row) && AtWork()) {
        throw DbError(QStringLiteral(
            "The rows cannot be read now: their connection is at work on another statement."));
    }
    if (!cache_->Holds(row) && !InPart(row)) {
        // Reading a part changes what the row set holds, not which rows it has.
        auto& self = const_cast<RowSet&>(*this);
        if (!partFailure_) self.ReadPartAt(row);
        RequireOpen();  // closed while its part was read
        if (!InPart(row) && !cache_->Holds(row)) {
            throw DbError(
                partFailure_.value_or(QStringLiteral("Row %1 is no longer in the table").arg(row)));
        }
    }
    return cache_->ValueAt(cursor_.get(), row, column, partFirst_);
}

}  // namespace tarnwick::db
