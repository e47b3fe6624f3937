#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <optional>

#include "db/KeyCursor.h"
#include "engine/KeyRows.h"
#include "engine/Statements.h"

namespace tarnwick::db {
class Connection;
}

namespace tarnwick::engine {

// The key query read in slices: one statement per range of the row-id column (the values after the
// last one read, in order, at most so many rows), so that the driver, which keeps a statement's
// whole result, never holds more than one slice. Each slice is sized by bytes: its row count comes
// from the bytes per row read so far, so a slice of wide keys has fewer rows. The rows come in
// row-id order, as one statement ordered by the row id would give them; a slice that returns
// fewer rows than it asked for is the last.
class KeySlices : public KeyRows {
  public:
    struct Query {
        QString table;
        QString idColumn;  // an integer column whose values are unique: the row ids
        KeyColumns columns;
    };
    // The bytes of values a slice aims at, and the rows of the first slice.
    static constexpr int64_t kSliceBytes = 8 << 20;
    static constexpr int64_t kFirstSliceRows = 4096;

    KeySlices(std::shared_ptr<db::Connection> connection, Query query,
              int64_t sliceBytes = kSliceBytes, int64_t firstSliceRows = kFirstSliceRows);

    // Sends the first slice (again, when called again). Throws DbError when it fails.
    void Open();
    // Moves to the next row, sending the next slice when the current one is read through; false
    // past the last row. Throws DbError when a slice fails.
    bool Fetch() override;
    int KeyFieldCount() const override { return static_cast<int>(query_.columns.fields.size()); }
    int LabelFieldCount() const override { return static_cast<int>(query_.columns.labels.size()); }
    // The current row's id, read once as the row came.
    uint64_t Id() const override { return lastId_; }
    bool IdsSigned() const override { return signedIds_; }
    bool AppendField(int field, std::string& out) const override;

    int SliceCount() const { return slices_; }

  private:
    void OpenSlice();
    int64_t NextSliceRows() const;
    const db::KeyCursor& Row() const;

    std::shared_ptr<db::Connection> connection_;
    Query query_;
    int64_t sliceBytes_;
    int64_t firstSliceRows_;
    std::optional<db::KeyCursor> cursor_;
    uint64_t lastId_ = 0;  // the row id of the last row read
    bool signedIds_ = false;
    bool anyRead_ = false;
    int64_t asked_ = 0;        // the rows the current slice asked for
    int64_t rowsInSlice_ = 0;  // the rows read of it so far
    int64_t rowsRead_ = 0;     // since the first slice
    int64_t bytesRead_ = 0;
    int slices_ = 0;
    bool ended_ = false;
};

}  // namespace tarnwick::engine
