#pragma once

#include <cstddef>

namespace tarnwick::engine {

// The shared step of the open-addressing tables (KeySet, RepeatScreen), whose slots carry the hash
// bits that pick their place: moves every occupied (non-zero) slot of `from` into `to`, whose
// slots are all empty and whose capacity is a power of two, probing linearly. A slot's place
// comes from its bits above `hashShift`.
template <class Slot>
void MoveSlots(const Slot* from, size_t fromCapacity, Slot* to, size_t toCapacity, int hashShift) {
    const size_t mask = toCapacity - 1;
    for (size_t j = 0; j < fromCapacity; ++j) {
        const Slot slot = from[j];
        if (slot == 0) continue;
        size_t i = static_cast<size_t>(slot >> hashShift) & mask;
        while (to[i] != 0) i = (i + 1) & mask;
        to[i] = slot;
    }
}

}  // namespace tarnwick::engine
