#include "engine/RepeatScreen.h"

#include <stdexcept>

#include "engine/KeySet.h"
#include "engine/SlotTable.h"

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
    if (capacity_ >= kMaxCapacity)
        throw std::length_error("Overflow: the distinct keys do not fit the repeat screen");
    MoveInto(capacity_ == 0 ? kFirstCapacity : capacity_ * 2, false);
}

void RepeatScreen::DropUnrepeated() {
    size_t capacity = kFirstCapacity;
    while (repeated_ * 10 > capacity * 7) capacity *= 2;
    MoveInto(capacity, true);
    size_ = repeated_;
}

void RepeatScreen::MoveInto(size_t capacity, bool onlyRepeated) {
    // The slots carry their hash: moving them needs no key.
    const std::unique_ptr<uint32_t[]> old = std::move(slots_);
    const size_t oldCapacity = capacity_;
    if (onlyRepeated) {
        for (size_t j = 0; j < oldCapacity; ++j)
            if ((old[j] & 1) == 0) old[j] = 0;
    }
    capacity_ = capacity;
    slots_ = std::make_unique<uint32_t[]>(capacity_);  // zeroed: every slot empty
    MoveSlots(old.get(), oldCapacity, slots_.get(), capacity_, 1);
}

void RepeatScreen::Clear() {
    slots_.reset();
    capacity_ = 0;
    size_ = 0;
    repeated_ = 0;
}

}  // namespace tarnwick::engine
