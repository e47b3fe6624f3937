#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "db/KeyCursor.h"

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
class KeySlices {
  public:
    struct Query {
        QString table;
        QString idColumn;  // an integer column whose values are unique: the row ids
        QStringList keyFields;
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
    bool Fetch();
    // The current row: column 0 is the row id, the key fields follow.
    const db::KeyCursor& Row() const;
    int FieldCount() const;

    int SliceCount() const { return slices_; }

  private:
    void OpenSlice();
    int64_t NextSliceRows() const;

    std::shared_ptr<db::Connection> connection_;
    Query query_;
    int64_t sliceBytes_;
    int64_t firstSliceRows_;
    std::optional<db::KeyCursor> cursor_;
    std::string lastId_;  // the row id of the last row read, as its digits
    bool anyRead_ = false;
    int64_t asked_ = 0;        // the rows the current slice asked for
    int64_t rowsInSlice_ = 0;  // the rows read of it so far
    int64_t rowsRead_ = 0;     // since the first slice
    int64_t bytesRead_ = 0;
    int slices_ = 0;
    bool ended_ = false;
};

}  // namespace tarnwick::engine
