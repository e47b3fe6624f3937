#pragma once

#include <QCryptographicHash>
#include <QString>
#include <cstdint>
#include <string_view>
#include <vector>

#include "engine/ItemList.h"
#include "engine/KeySet.h"
#include "engine/YieldCallback.h"

namespace tarnwick::engine {

// Finds, key by key in row order, the rows whose key equals the key of an earlier row. Keys are
// compared as exact bytes (case and trailing blanks count). Only the distinct keys are kept, so
// the keys can be streamed in as the rows are read.
//
// A key of up to kExactKeyBytes bytes is kept as it is. A longer key is kept as its BLAKE2b-256
// digest (32 bytes, in a set of their own): two long keys are then taken as
// equal when their digests are. No two different texts with the same BLAKE2b-256 digest are
// known; among n distinct long keys the chance that any two share one is below n * n / 2^257
// (about 10^-65 for a billion keys). This keeps the memory per distinct key below 40 bytes
// however wide the keys are.
class DuplicateDetector {
  public:
    static constexpr size_t kExactKeyBytes = 64;

    // Makes room for `keys` distinct keys, so that the sets do not move while they come in.
    void Reserve(size_t keys) {
        seen_.Reserve(keys);
        seenLong_.Reserve(keys);
    }
    // A key as the detector keeps it: the key's own bytes, or the digest of a long key.
    struct KeptKey {
        std::string_view bytes;
        bool digest = false;
    };
    // The kept form of `key`; a digest's bytes stay valid until the next call.
    KeptKey Keep(std::string_view key);

    // Takes the key of the next row (positions count from 1). True when an earlier row had it;
    // the row's position is then recorded.
    bool Add(std::string_view key);
    // The same for a key in its kept form, except that no position is recorded: a caller that
    // reads millions of rows keeps what it needs of the later rows itself, in room it makes at
    // once (a list of positions that grows by doubling would copy tens of megabytes in one go).
    bool AddKept(KeptKey key);
    // The same for a key given as text: equal exactly when the UTF-16 code units are equal.
    bool AddText(const QString& key);
    // Takes the next row when its key is known to have no equal (a RepeatScreen said so): the
    // row is counted and its key is not kept.
    void AddUnrepeated() { CountRow(); }

    int64_t RowCount() const { return rows_; }
    // The positions recorded by Add and AddText.
    int64_t DuplicateCount() const { return static_cast<int64_t>(positions_.size()); }
    // The bytes of the distinct keys seen (until ReleaseKeys).
    size_t DistinctKeyBytes() const { return seen_.KeyBytes() + seenLong_.KeyBytes(); }

    // The 1-based positions of the later rows of each group, highest first, each once.
    std::vector<int32_t> PositionsDescending() const;

    // Forgets the distinct keys and gives their memory back; the positions found stay.
    void ReleaseKeys() {
        seen_.Clear();
        seenLong_.Clear();
    }

  private:
    void CountRow();
    KeySet seen_;      // the short keys themselves
    KeySet seenLong_;  // the digests of the long keys
    QCryptographicHash digest_{QCryptographicHash::Blake2b_256};
    std::vector<int32_t> positions_;  // ascending, as found
    int64_t rows_ = 0;
};

// The 1-based positions of every key that equals an earlier key, in descending order, each once.
// The first key of each group is never reported. Linear expected time (a hash set of the
// distinct keys); yields once per key.
std::vector<int32_t> FindDuplicatePositions(const std::vector<QString>& keys,
                                            const YieldCallback& yield = {});

// Removes from `target` every item whose text equals (exactly) the text of an item of
// `reference`; all occurrences go, the rest keep their order. Yields once per item of `target`.
void RemoveItemsFoundIn(ItemList& target, const ItemList& reference,
                        const YieldCallback& yield = {});

// The most values DistinctValues takes: its counters are 16-bit, like a list control's.
inline constexpr int kMaxDistinctValues = 32767;

// Each distinct value once, ordered by the place of its last occurrence ({2, 1, 2} gives {1, 2}).
// Throws std::length_error for more than kMaxDistinctValues values.
std::vector<int32_t> DistinctValues(const std::vector<int32_t>& values);

}  // namespace tarnwick::engine
