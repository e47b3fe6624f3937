#include "engine/KeySet.h"

#include <cstring>
#include <stdexcept>

namespace tarnwick::engine {
namespace {

constexpr size_t kBlockBytes = size_t{1} << 20;
constexpr int kOffsetBits = 20;  // a place is block << 20 | offset in the block
constexpr int kPlaceBits = 40;   // of a slot, below the tag
constexpr uint64_t kPlaceMask = (uint64_t{1} << kPlaceBits) - 1;
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

uint64_t TagOf(uint64_t hash) {
    return hash >> kPlaceBits;
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

bool KeySet::Insert(std::string_view key) {
    if ((size_ + 1) * 10 > slots_.size() * 7) Grow();
    const uint64_t hash = HashBytes(key);
    const uint64_t tag = TagOf(hash);
    const size_t mask = slots_.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        const uint64_t slot = slots_[i];
        if (slot == 0) {
            slots_[i] = tag << kPlaceBits | (Store(key) + 1);
            ++size_;
            return true;
        }
        if ((slot >> kPlaceBits) == tag && KeyAt((slot & kPlaceMask) - 1) == key) return false;
    }
}

std::string_view KeySet::KeyAt(uint64_t place) const {
    const char* at = blocks_[place >> kOffsetBits].get() + (place & (kBlockBytes - 1));
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

uint64_t KeySet::Store(std::string_view key) {
    const size_t need = LengthBytes(key.size()) + key.size();
    if (blocks_.empty() || used_ + need > blockSizes_.back()) {
        // A key longer than a block gets a block of its own, starting at offset 0.
        if ((blocks_.size() + 1) >> (kPlaceBits - kOffsetBits) != 0)
            throw std::length_error("Overflow: the distinct keys do not fit the key set");
        const size_t size = std::max(kBlockBytes, need);
        blocks_.push_back(std::make_unique_for_overwrite<char[]>(size));
        blockSizes_.push_back(size);
        used_ = 0;
    }
    char* to = blocks_.back().get() + used_;
    const size_t prefix = WriteLength(key.size(), to);
    std::memcpy(to + prefix, key.data(), key.size());
    const uint64_t place = static_cast<uint64_t>(blocks_.size() - 1) << kOffsetBits | used_;
    used_ += need;
    return place;
}

void KeySet::Grow() {
    std::vector<uint64_t> old = std::move(slots_);
    slots_.assign(old.empty() ? kFirstCapacity : old.size() * 2, 0);
    const size_t mask = slots_.size() - 1;
    for (const uint64_t slot : old) {
        if (slot == 0) continue;
        size_t i = HashBytes(KeyAt((slot & kPlaceMask) - 1)) & mask;
        while (slots_[i] != 0) i = (i + 1) & mask;
        slots_[i] = slot;
    }
}

size_t KeySet::MemoryBytes() const {
    size_t bytes = slots_.capacity() * sizeof(uint64_t);
    for (const size_t size : blockSizes_) bytes += size;
    return bytes;
}

void KeySet::Clear() {
    std::vector<uint64_t>().swap(slots_);
    std::vector<std::unique_ptr<char[]>>().swap(blocks_);
    std::vector<size_t>().swap(blockSizes_);
    used_ = 0;
    size_ = 0;
}

}  // namespace tarnwick::engine
