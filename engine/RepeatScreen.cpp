#include "engine/RepeatScreen.h"

#include <stdexcept>

#include "engine/KeySet.h"

namespace tarnwick::engine {
namespace {

constexpr size_t kFirstCapacity = 1024;
// 31 bits of hash index at most 2^31 slots.
constexpr size_t kMaxCapacity = size_t{1} << 31;

// 31 bits of the key's hash, never 0 (which marks an empty slot).
uint32_t Hash31Of(std::string_view key) {
    const auto hash = static_cast<uint32_t>(HashBytes(key) >> 33);
    return hash != 0 ? hash : 1;
}

}  // namespace

void RepeatScreen::Add(std::string_view key) {
    if ((size_ + 1) * 10 > capacity_ * 7) Grow();
    const uint32_t hash = Hash31Of(key);
    const size_t mask = capacity_ - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        uint32_t& slot = slots_[i];
        if (slot == 0) {
            slot = hash << 1;
            ++size_;
            return;
        }
        if ((slot >> 1) == hash) {
            if ((slot & 1) == 0) ++repeated_;
            slot |= 1;
            return;
        }
    }
}

bool RepeatScreen::Repeated(std::string_view key) const {
    if (capacity_ == 0) return false;
    const uint32_t hash = Hash31Of(key);
    const size_t mask = capacity_ - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        const uint32_t slot = slots_[i];
        if (slot == 0) return false;
        if ((slot >> 1) == hash) return (slot & 1) != 0;
    }
}

void RepeatScreen::Grow() {
    // The slots carry their hash: growing needs no key.
    const size_t oldCapacity = capacity_;
    if (oldCapacity >= kMaxCapacity)
        throw std::length_error("Overflow: the distinct keys do not fit the repeat screen");
    const std::unique_ptr<uint32_t[]> old = std::move(slots_);
    capacity_ = oldCapacity == 0 ? kFirstCapacity : oldCapacity * 2;
    slots_ = std::make_unique<uint32_t[]>(capacity_);  // zeroed: every slot empty
    const size_t mask = capacity_ - 1;
    for (size_t j = 0; j < oldCapacity; ++j) {
        const uint32_t slot = old[j];
        if (slot == 0) continue;
        size_t i = (slot >> 1) & mask;
        while (slots_[i] != 0) i = (i + 1) & mask;
        slots_[i] = slot;
    }
}

void RepeatScreen::Clear() {
    slots_.reset();
    capacity_ = 0;
    size_ = 0;
    repeated_ = 0;
}

}  // namespace tarnwick::engine
