#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace tarnwick::engine {

// A set of byte strings, compared exactly, each with a 32-bit tag that the caller gives it when it
// is added. Each distinct key is stored once, its tag, its length and its bytes one after the other
// in blocks of a byte arena; an open-addressing table (linear probing,
// at most 70% full) holds one 64-bit slot per key: 32 bits of the key's hash, which pick its place
// in the table and decide most probes without touching the arena, and where the key is in the
// arena. Holds up to 16 GiB of keys.
class KeySet {
  public:
    // Makes room for `keys` keys at once, so that no Insert up to that many moves the table.
    void Reserve(size_t keys);
    // Adds the key with `tag` unless the set has it already; says whether it was added, and the
    // tag the key carries (the one it was first added with).
    struct Entry {
        bool added = false;
        uint32_t tag = 0;
    };
    Entry Insert(std::string_view key, uint32_t tag = 0);

    size_t Size() const { return size_; }
    // The bytes of the distinct keys themselves.
    size_t KeyBytes() const { return keyBytes_; }
    // The bytes the set holds (table and arena).
    size_t MemoryBytes() const;
    // Empties the set and gives its memory back.
    void Clear();

  private:
    struct FreeDeleter {
        void operator()(void* memory) const;
    };
    // Memory in whole 2 MiB pages, which the kernel is asked to map as huge pages: one page fault
    // then maps 2 MiB instead of 4 KiB (faults are most of the cost of fresh memory).
    using LargeMemory = std::unique_ptr<char[], FreeDeleter>;
    static LargeMemory AllocateLarge(size_t bytes);
    // Zeroed memory for the slots: a large table's pages are zeroed by the system as they are
    // first touched, so that making room for millions of keys holds nobody up at once.
    static LargeMemory AllocateZeroed(size_t bytes);

    uint64_t* Slots() const { return reinterpret_cast<uint64_t*>(slots_.get()); }
    const char* At(uint32_t place) const;
    static std::string_view KeyAt(const char* at);
    uint32_t Store(std::string_view key, uint32_t tag);
    void Grow();
    void MoveTo(size_t capacity);

    LargeMemory slots_;  // 0: empty; else 32 bits of hash << 32 | (arena place + 1)
    size_t capacity_ = 0;
    std::vector<LargeMemory> blocks_;
    std::vector<size_t> blockSizes_;
    size_t used_ = 0;  // bytes used in the last block
    size_t size_ = 0;
    size_t keyBytes_ = 0;
};

// A fast 64-bit hash of bytes, for tables.
uint64_t HashBytes(std::string_view bytes);

}  // namespace tarnwick::engine
