#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "engine/YieldCallback.h"

namespace tarnwick::engine {

// The first of two readings of the keys. It keeps 31 bits of the hash of each distinct key, and
// marks the hashes that came more than once. A key whose hash came only once has no equal among
// the keys, so the exact comparison of the second reading has to keep only the keys whose hash
// repeated: those of the groups with duplicates, plus the few that share a hash by chance. At
// 4 bytes a slot this costs a fraction of keeping every distinct key.
class RepeatScreen {
  public:
    // Makes room for `keys` distinct keys at once, so that no Add has to move the table. The room
    // is zeroed memory that the system maps as the slots are first written.
    void Reserve(size_t keys);
    // Adds a key. A few keys wait and are placed together, their slots asked of memory first:
    // the slots of a large table lie far apart, and fetching several at once hides most of the
    // wait for each. Every question below places the waiting keys first.
    void Add(std::string_view key);

    // True when some hash came more than once (without that, no key has an equal).
    bool AnyRepeated() {
        Settle();
        return repeated_ > 0;
    }
    // The distinct hashes placed (before DropUnrepeated): the rows added less this many is the
    // most rows that can repeat an earlier row.
    size_t DistinctCount() {
        Settle();
        return size_;
    }
    // The hashes that came more than once.
    size_t RepeatedCount() {
        Settle();
        return repeated_;
    }
    // Room enough for the distinct keys whose hash came more than once: one per repeated hash,
    // plus those that share a hash with a different key by chance (twice as many as expected),
    // so that an exact set made for them at once does not have to grow. Valid after
    // DropUnrepeated.
    size_t RepeatedKeysRoom() const;
    // True when the key's hash came more than once; always true for a key that has an equal.
    bool Repeated(std::string_view key);

    // Forgets the hashes that came once, after the last Add: Repeated answers as before, from a
    // table only as large as the repeated hashes need (small enough, when few keys repeat, to stay
    // in the processor's cache during the second reading). Works through the table in parts and
    // yields between them.
    void DropUnrepeated(const YieldCallback& yield = {});

    size_t MemoryBytes() const { return capacity_ * sizeof(uint32_t); }
    // Empties the screen and gives its memory back.
    void Clear();

  private:
    struct FreeDeleter {
        void operator()(uint32_t* slots) const;
    };
    using Slots = std::unique_ptr<uint32_t[], FreeDeleter>;

    static constexpr size_t kWaiting = 16;

    void Settle();
    void Place(uint32_t hash);
    void Grow();
    void MoveInto(size_t capacity, bool onlyRepeated, const YieldCallback& yield);

    Slots slots_;  // 0: empty; else 31 bits of hash << 1 | repeated
    size_t capacity_ = 0;
    size_t size_ = 0;
    size_t repeated_ = 0;
    size_t distinctBeforeDrop_ = 0;
    uint32_t waiting_[kWaiting] = {};  // the hashes of keys added but not placed yet
    size_t waitingCount_ = 0;
};

}  // namespace tarnwick::engine
