#include "engine/KeySet.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>

#include "engine/SlotTable.h"

namespace tarnwick::engine {
namespace {

// A place in the arena counts 4-byte units: block << 19 | unit in the block. Every key starts on
// a unit; a key longer than a block gets a block of its own.
constexpr int kUnitBits = 2;
constexpr size_t kUnit = size_t{1} << kUnitBits;
constexpr int kBlockUnitBits = 19;
constexpr size_t kBlockBytes = kUnit << kBlockUnitBits;  // 2 MiB, a huge page
constexpr size_t kMaxBlocks = (size_t{1} << (32 - kBlockUnitBits)) - 1;
constexpr size_t kFirstCapacity = 1024;

uint64_t Rotate(uint64_t value, int bits) {
    return (value << bits) | (value >> (64 - bits));
}

// The finishing mix of MurmurHash3: every input bit reaches every output bit.
uint64_t Mix(uint64_t h) {
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ULL;
    h ^= h >> 33;
    return h;
}

uint64_t Hash32Of(std::string_view key) {
    return HashBytes(key) >> 32;
}

// A key's length before its bytes, seven bits to a byte, low bits first.
size_t WriteLength(size_t length, char* to) {
    size_t count = 0;
    do {
        const auto low = static_cast<unsigned char>(length & 0x7F);
        length >>= 7;
        to[count++] = static_cast<char>(length != 0 ? low | 0x80 : low);
    } while (length != 0);
    return count;
}

size_t LengthBytes(size_t length) {
    size_t count = 1;
    while (length >= 0x80) {
        length >>= 7;
        ++count;
    }
    return count;
}

}  // namespace

uint64_t HashBytes(std::string_view bytes) {
    const char* p = bytes.data();
    size_t left = bytes.size();
    uint64_t h = 0x9E3779B97F4A7C15ULL ^ (bytes.size() * 0x87C37B91114253D5ULL);
    while (left >= 8) {
        uint64_t word;
        std::memcpy(&word, p, 8);
        h = Rotate(h ^ (word * 0x87C37B91114253D5ULL), 31) * 0x4CF5AD432745937FULL;
        p += 8;
        left -= 8;
    }
    if (left > 0) {
        uint64_t word = 0;
        std::memcpy(&word, p, left);
        h = Rotate(h ^ (word * 0x87C37B91114253D5ULL), 31) * 0x4CF5AD432745937FULL;
    }
    return Mix(h);
}

void KeySet::FreeDeleter::operator()(void* memory) const {
    std::free(memory);
}

KeySet::LargeMemory KeySet::AllocateLarge(size_t bytes) {
    constexpr size_t kHugePage = size_t{2} << 20;
    const size_t size = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    LargeMemory memory(static_cast<char*>(std::aligned_alloc(kHugePage, size)));
    if (!memory) throw std::bad_alloc();
    // Only advice: where the kernel has no huge pages to give, the memory works as it is.
    madvise(memory.get(), size, MADV_HUGEPAGE);
    return memory;
}

KeySet::LargeMemory KeySet::AllocateZeroed(size_t bytes) {
    LargeMemory memory(static_cast<char*>(std::calloc(bytes, 1)));
    if (!memory) throw std::bad_alloc();
    return memory;
}

KeySet::Entry KeySet::Insert(std::string_view key, uint32_t tag) {
    if ((size_ + 1) * 10 > capacity_ * 7) Grow();
    const uint64_t hash = Hash32Of(key);
    const size_t mask = capacity_ - 1;
    uint64_t* slots = Slots();
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        const uint64_t slot = slots[i];
        if (slot == 0) {
            slots[i] = hash << 32 | (uint64_t{Store(key, tag)} + 1);
            ++size_;
            keyBytes_ += key.size();
            return {true, tag};
        }
        if ((slot >> 32) == hash) {
            const char* at = At(static_cast<uint32_t>(slot) - 1);
            if (KeyAt(at) == key) {
                uint32_t stored;
                std::memcpy(&stored, at, sizeof stored);
                return {false, stored};
            }
        }
    }
}

const char* KeySet::At(uint32_t place) const {
    return blocks_[place >> kBlockUnitBits].get() +
           ((place & ((uint32_t{1} << kBlockUnitBits) - 1)) << kUnitBits);
}

std::string_view KeySet::KeyAt(const char* at) {
    at += sizeof(uint32_t);  // the tag
    size_t length = 0;
    int shift = 0;
    for (;;) {
        const auto byte = static_cast<unsigned char>(*at++);
        length |= static_cast<size_t>(byte & 0x7F) << shift;
        if ((byte & 0x80) == 0) break;
        shift += 7;
    }
    return {at, length};
}

uint32_t KeySet::Store(std::string_view key, uint32_t tag) {
    const size_t need =
        (sizeof tag + LengthBytes(key.size()) + key.size() + kUnit - 1) & ~(kUnit - 1);
    if (blocks_.empty() || used_ + need > blockSizes_.back()) {
        if (blocks_.size() >= kMaxBlocks)
            throw std::length_error("Overflow: the distinct keys do not fit the key set");
        const size_t size = std::max(kBlockBytes, need);
        blocks_.push_back(AllocateLarge(size));
        blockSizes_.push_back(size);
        used_ = 0;
    }
    char* to = blocks_.back().get() + used_;
    std::memcpy(to, &tag, sizeof tag);
    to += sizeof tag;
    const size_t prefix = WriteLength(key.size(), to);
    std::memcpy(to + prefix, key.data(), key.size());
    const auto place =
        static_cast<uint32_t>((blocks_.size() - 1) << kBlockUnitBits | (used_ >> kUnitBits));
    used_ += need;
    return place;
}

void KeySet::Reserve(size_t keys) {
    size_t capacity = std::max(capacity_, kFirstCapacity);
    while (keys * 10 > capacity * 7) capacity *= 2;
    if (capacity > capacity_) MoveTo(capacity);
}

void KeySet::Grow() {
    MoveTo(capacity_ == 0 ? kFirstCapacity : capacity_ * 2);
}

void KeySet::MoveTo(size_t capacity) {
    // The slots carry their hash: moving them never reads the arena.
    const size_t oldCapacity = capacity_;
    const LargeMemory old = std::move(slots_);
    capacity_ = capacity;
    slots_ = AllocateZeroed(capacity_ * sizeof(uint64_t));
    uint64_t* slots = Slots();
    MoveSlots(reinterpret_cast<const uint64_t*>(old.get()), oldCapacity, slots, capacity_, 32);
}

size_t KeySet::MemoryBytes() const {
    size_t bytes = capacity_ * sizeof(uint64_t);
    for (const size_t size : blockSizes_) bytes += size;
    return bytes;
}

void KeySet::Clear() {
    slots_.reset();
    capacity_ = 0;
    std::vector<LargeMemory>().swap(blocks_);
    std::vector<size_t>().swap(blockSizes_);
    used_ = 0;
    size_ = 0;
    keyBytes_ = 0;
}

}  // namespace tarnwick::engine
