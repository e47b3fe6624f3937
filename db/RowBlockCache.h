#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

#include "db/Value.h"

namespace tarnwick::db {

class Cursor;

// The few rows of a result that someone is looking at, decoded into text: a handful of blocks of
// consecutive rows read from a positioned cursor, the least recently used block going first. The
// rest of the result stays in the driver's buffer, so a grid over a million rows costs the
// program no more than these blocks.
class RowBlockCache {
  public:
    RowBlockCache(int fieldCount, long rowsPerBlock);
    ~RowBlockCache();

    // Lets go of every block.
    void Clear();

    // Whether the block that holds `row` is at hand.
    bool Holds(long row) const;

    // The value of a cell, reading its block from the cursor when it is not at hand. The cursor's
    // first row is row `cursorFirst` (a part of a table); the row must exist in its result. Throws
    // DbError when the block is not at hand and there is no cursor to read it from.
    Value ValueAt(Cursor* cursor, long row, int column, long cursorFirst = 0);

    // Most blocks and most characters kept at once; a block that is being read is always kept.
    static constexpr size_t kMaxBlocks = 8;
    static constexpr size_t kMaxCharacters = size_t{4} << 20;

  private:
    struct Block;
    static bool Contains(const Block& block, long row);
    // Found or loaded, then the most recent.
    const Block& Use(Cursor* cursor, long row, long cursorFirst);
    const Block& Load(Cursor& cursor, long row, long cursorFirst);

    int fieldCount_;
    long rowsPerBlock_;
    std::vector<std::unique_ptr<Block>> blocks_;  // the most recently used last
    size_t characters_ = 0;
};

}  // namespace tarnwick::db
