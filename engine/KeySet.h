#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace tarnwick::engine {

// A set of byte strings, compared exactly. Each distinct key is stored once, its length and its
// bytes one after the other in blocks of a byte arena; an open-addressing table (linear probing,
// at most 70% full) holds one 64-bit slot per key: where the key is in the arena and 24 bits of
// its hash, so that most probes are decided without touching the arena.
class KeySet {
  public:
    // Adds the key; true when it was not in the set before.
    bool Insert(std::string_view key);

    size_t Size() const { return size_; }
    // The bytes the set holds (table and arena).
    size_t MemoryBytes() const;
    // Empties the set and gives its memory back.
    void Clear();

  private:
    std::string_view KeyAt(uint64_t place) const;
    uint64_t Store(std::string_view key);
    void Grow();

    std::vector<uint64_t> slots_;  // 0: empty; else hash tag << 40 | (arena place + 1)
    std::vector<std::unique_ptr<char[]>> blocks_;
    std::vector<size_t> blockSizes_;
    size_t used_ = 0;  // bytes used in the last block
    size_t size_ = 0;
};

// A fast 64-bit hash of bytes, for tables.
uint64_t HashBytes(std::string_view bytes);

}  // namespace tarnwick::engine
