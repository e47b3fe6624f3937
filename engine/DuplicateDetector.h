#pragma once

#include <QCryptographicHash>
#include <cstdint>
#include <string_view>

#include "engine/KeySet.h"

namespace tarnwick::engine {

// Tells, key by key in row order, whether a row's key equals the key of an earlier row. Keys are
// compared as exact bytes (case and trailing blanks count). Only the distinct keys are kept, so
// the keys can be streamed in as the rows are read; what to remember of the later rows is the
// caller's (DuplicateSearch keeps their ids in room it makes at once).
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

    // The group of equal keys that a row belongs to: its number among the distinct keys taken,
    // from 0 in the order they first came, and whether the row is the group's first.
    struct Group {
        uint32_t number = 0;
        bool first = false;
    };
    // Takes the key of the next row, in its kept form.
    Group Add(KeptKey key);
    // Takes the next row when its key is known to have no equal (a RepeatScreen said so): the
    // row is counted and its key is not kept.
    void AddUnrepeated() { CountRow(); }

    int64_t RowCount() const { return rows_; }
    // The bytes of the distinct keys seen (until Clear).
    size_t DistinctKeyBytes() const { return seen_.KeyBytes() + seenLong_.KeyBytes(); }

    // Forgets the keys and the rows counted, and gives the memory back.
    void Clear() {
        seen_.Clear();
        seenLong_.Clear();
        rows_ = 0;
        groups_ = 0;
    }

  private:
    void CountRow();
    KeySet seen_;      // the short keys themselves
    KeySet seenLong_;  // the digests of the long keys
    QCryptographicHash digest_{QCryptographicHash::Blake2b_256};
    int64_t rows_ = 0;
    uint32_t groups_ = 0;
};

}  // namespace tarnwick::engine
