#include "engine/KeySlices.h"

#include <algorithm>
#include "db/Connection.h"
#include "db/DbError.h"
#include "engine/Statements.h"

namespace tarnwick::engine {
namespace {

// What the driver keeps per row and per value beyond the values' bytes.
constexpr int64_t kRowOverhead = 48;
constexpr int64_t kValueOverhead = 16;
constexpr int64_t kFewestRows = 64;
constexpr int64_t kMostRows = int64_t{1} << 20;

}  // namespace

KeySlices::KeySlices(std::shared_ptr<db::Connection> connection, Query query, int64_t sliceBytes,
                     int64_t firstSliceRows)
    : connection_(std::move(connection)),
      query_(std::move(query)),
      sliceBytes_(sliceBytes),
      firstSliceRows_(firstSliceRows) {}

void KeySlices::Open() {
    cursor_.reset();
    lastId_ = 0;
    anyRead_ = false;
    asked_ = rowsInSlice_ = rowsRead_ = bytesRead_ = 0;
    ended_ = false;
    OpenSlice();
}

int64_t KeySlices::NextSliceRows() const {
    if (rowsRead_ == 0) return firstSliceRows_;
    const int64_t perRow = std::max<int64_t>(1, bytesRead_ / rowsRead_);
    return std::clamp(sliceBytes_ / perRow, kFewestRows, kMostRows);
}

void KeySlices::OpenSlice() {
    cursor_.reset();  // the driver lets go of the last slice before it takes the next
    asked_ = NextSliceRows();
    rowsInSlice_ = 0;
    std::optional<QString> after;
    if (anyRead_) {
        after =
            signedIds_ ? QString::number(static_cast<int64_t>(lastId_)) : QString::number(lastId_);
    }
    cursor_.emplace(db::KeyCursor::Open(
        connection_, KeySliceQuery(query_.table, query_.idColumn, query_.columns, after, asked_)));
    ++slices_;
    if (!cursor_->HoldsIntegers(0)) {
        throw db::DbError(
            QStringLiteral("The row ids of %1 are not whole numbers").arg(query_.idColumn));
    }
    signedIds_ = cursor_->HoldsSignedIntegers(0);
}

bool KeySlices::Fetch() {
    if (ended_) return false;
    if (!cursor_) OpenSlice();
    while (!cursor_->Fetch()) {
        if (rowsInSlice_ < asked_) {
            ended_ = true;
            cursor_.reset();
            return false;
        }
        OpenSlice();
    }
    ++rowsInSlice_;
    ++rowsRead_;
    bytesRead_ += static_cast<int64_t>(cursor_->RowBytes()) + kRowOverhead +
                  kValueOverhead * cursor_->FieldCount();
    lastId_ =
        signedIds_ ? static_cast<uint64_t>(cursor_->SignedValue(0)) : cursor_->UnsignedValue(0);
    anyRead_ = true;
    return true;
}

const db::KeyCursor& KeySlices::Row() const {
    if (!cursor_) throw db::DbError(QStringLiteral("No row of keys is being read"));
    return *cursor_;
}

bool KeySlices::AppendField(int field, std::string& out) const {
    // Column 0 is the row id.
    return Row().AppendValue(
        field + 1, out,
        field < KeyFieldCount() ? db::KeyCursor::Bytes::Raw : db::KeyCursor::Bytes::AsText);
}

}  // namespace tarnwick::engine
