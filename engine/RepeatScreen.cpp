#include "engine/RepeatScreen.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <new>
#include <stdexcept>

#include "engine/KeySet.h"
#include "engine/SlotTable.h"

namespace tarnwick::engine {
namespace {

constexpr size_t kFirstCapacity = 1024;
// 31 bits of hash index at most 2^31 slots.
constexpr size_t kMaxCapacity = size_t{1} << 31;
// Slots moved between two yields: a few milliseconds of work.
constexpr size_t kSlotsPerPart = size_t{1} << 20;

size_t CapacityFor(size_t keys) {
    size_t capacity = kFirstCapacity;
    while (keys * 10 > capacity * 7 && capacity < kMaxCapacity) capacity *= 2;
    return capacity;
}

// 31 bits of the key's hash, never 0 (which marks an empty slot).
uint32_t Hash31Of(std::string_view key) {
    const auto hash = static_cast<uint32_t>(HashBytes(key) >> 33);
    return hash != 0 ? hash : 1;
}

// Gives the whole pages inside a moved part back to the system at once, so that freeing a table of
// hundreds of megabytes afterwards does not hold the caller in one piece.
void ReleasePages(void* part, size_t bytes) {
    const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    const auto begin = (reinterpret_cast<uintptr_t>(part) + page - 1) / page * page;
    const auto end = (reinterpret_cast<uintptr_t>(part) + bytes) / page * page;
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_DONTNEED);
}

}  // namespace

void RepeatScreen::FreeDeleter::operator()(uint32_t* slots) const {
    std::free(slots);
}

void RepeatScreen::Reserve(size_t keys) {
    const size_t capacity = CapacityFor(keys);
    if (capacity > capacity_) MoveInto(capacity, false, {});
}

void RepeatScreen::Add(std::string_view key) {
    waiting_[waitingCount_++] = Hash31Of(key);
    if (waitingCount_ == kWaiting) Settle();
}

void RepeatScreen::Settle() {
    if (waitingCount_ == 0) return;
    while ((size_ + waitingCount_) * 10 > capacity_ * 7) Grow();
    const size_t mask = capacity_ - 1;
    for (size_t k = 0; k < waitingCount_; ++k) __builtin_prefetch(&slots_[waiting_[k] & mask], 1);
    for (size_t k = 0; k < waitingCount_; ++k) Place(waiting_[k]);
    waitingCount_ = 0;
}

void RepeatScreen::Place(uint32_t hash) {
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

bool RepeatScreen::Repeated(std::string_view key) {
    Settle();
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
    MoveInto(capacity_ == 0 ? kFirstCapacity : capacity_ * 2, false, {});
}

void RepeatScreen::DropUnrepeated(const YieldCallback& yield) {
    Settle();
    distinctBeforeDrop_ = size_;
    MoveInto(CapacityFor(repeated_), true, yield);
    size_ = repeated_;
}

size_t RepeatScreen::RepeatedKeysRoom() const {
    // Among n distinct keys, about n * n / 2^31 share their 31-bit hash with another.
    const uint64_t n = distinctBeforeDrop_;
    return repeated_ + static_cast<size_t>(2 * (n * n >> 31)) + 1024;
}

void RepeatScreen::MoveInto(size_t capacity, bool onlyRepeated, const YieldCallback& yield) {
    // The slots carry their hash: moving them needs no key.
    const Slots old = std::move(slots_);
    const size_t oldCapacity = capacity_;
    capacity_ = capacity;
    // Zeroed (every slot empty) by the system as the pages are first touched.
    slots_.reset(static_cast<uint32_t*>(std::calloc(capacity_, sizeof(uint32_t))));
    if (!slots_) throw std::bad_alloc();
    for (size_t first = 0; first < oldCapacity; first += kSlotsPerPart) {
        const size_t count = std::min(kSlotsPerPart, oldCapacity - first);
        uint32_t* part = old.get() + first;
        if (onlyRepeated) {
            for (size_t j = 0; j < count; ++j)
                if ((part[j] & 1) == 0) part[j] = 0;
        }
        MoveSlots(part, count, slots_.get(), capacity_, 1);
        ReleasePages(part, count * sizeof(uint32_t));
        YieldNow(yield);
    }
}

void RepeatScreen::Clear() {
    waitingCount_ = 0;
    slots_.reset();
    capacity_ = 0;
    size_ = 0;
    repeated_ = 0;
    distinctBeforeDrop_ = 0;
}

}  // namespace tarnwick::engine
