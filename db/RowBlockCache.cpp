#include "db/RowBlockCache.h"

#include <algorithm>

#include "db/Cursor.h"
#include "db/DbError.h"

namespace tarnwick::db {

// Cell k = row * fieldCount + column of the block holds chars[ends[k-1] .. ends[k]).
struct RowBlockCache::Block {
    long first = 0;
    long rows = 0;
    std::vector<char16_t> chars;
    std::vector<uint32_t> ends;
    std::vector<bool> nulls;
};

RowBlockCache::RowBlockCache(int fieldCount, long rowsPerBlock)
    : fieldCount_(fieldCount), rowsPerBlock_(std::max(1L, rowsPerBlock)) {}

RowBlockCache::~RowBlockCache() = default;

void RowBlockCache::Clear() {
    blocks_.clear();
    characters_ = 0;
}

bool RowBlockCache::Contains(const Block& block, long row) {
    return row >= block.first && row < block.first + block.rows;
}

bool RowBlockCache::Holds(long row) const {
    return std::any_of(blocks_.begin(), blocks_.end(),
                       [row](const auto& block) { return Contains(*block, row); });
}

const RowBlockCache::Block& RowBlockCache::Load(Cursor& cursor, long row, long cursorFirst) {
    auto block = std::make_unique<Block>();
    block->first = std::max(cursorFirst, row - row % rowsPerBlock_);
    if (cursor.FetchAt(block->first - cursorFirst)) {
        do {
            for (int c = 0; c < fieldCount_; ++c) {
                block->nulls.push_back(!cursor.ReadInto(c, block->chars));
                block->ends.push_back(static_cast<uint32_t>(block->chars.size()));
            }
            ++block->rows;
        } while (block->rows < rowsPerBlock_ && cursor.Fetch());
    }
    if (row >= block->first + block->rows) {
        throw DbError(QStringLiteral("Row %1 is not in the result").arg(row));
    }
    block->chars.shrink_to_fit();
    characters_ += block->chars.size();
    blocks_.push_back(std::move(block));
    while (blocks_.size() > 1 && (blocks_.size() > kMaxBlocks || characters_ > kMaxCharacters)) {
        characters_ -= blocks_.front()->chars.size();
        blocks_.erase(blocks_.begin());
    }
    return *blocks_.back();
}

const RowBlockCache::Block& RowBlockCache::Use(Cursor* cursor, long row, long cursorFirst) {
    if (!blocks_.empty() && Contains(*blocks_.back(), row)) return *blocks_.back();
    for (auto it = blocks_.begin(); it != blocks_.end(); ++it) {
        if (Contains(**it, row)) {
            std::rotate(it, it + 1, blocks_.end());  // now the most recently used
            return *blocks_.back();
        }
    }
    if (cursor == nullptr) throw DbError(QStringLiteral("Row %1 is not at hand").arg(row));
    return Load(*cursor, row, cursorFirst);
}

Value RowBlockCache::ValueAt(Cursor* cursor, long row, int column, long cursorFirst) {
    const Block& block = Use(cursor, row, cursorFirst);
    const size_t k = static_cast<size_t>(row - block.first) * static_cast<size_t>(fieldCount_) +
                     static_cast<size_t>(column);
    if (block.nulls[k]) return std::nullopt;
    const uint32_t begin = k == 0 ? 0 : block.ends[k - 1];
    return QString::fromUtf16(block.chars.data() + begin,
                              static_cast<qsizetype>(block.ends[k] - begin));
}

}  // namespace tarnwick::db
