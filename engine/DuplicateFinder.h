#pragma once

#include <cstdint>
#include <vector>

#include "engine/ItemList.h"
#include "engine/YieldCallback.h"

namespace tarnwick::engine {

// The list difference the field page's lists are rebuilt with.

// Removes from `target` every item whose text equals (exactly) the text of an item of
// `reference`; all occurrences go, the rest keep their order. Yields once per item of `target`.
void RemoveItemsFoundIn(ItemList& target, const ItemList& reference,
                        const YieldCallback& yield = {});

// The most values DistinctValues takes: its counters are 16-bit, like a list control's.
inline constexpr int kMaxDistinctValues = 32767;

// Each distinct value once, ordered by the place of its last occurrence ({2, 1, 2} gives {1, 2}).
// Throws std::length_error for more than kMaxDistinctValues values.
std::vector<int32_t> DistinctValues(const std::vector<int32_t>& values);

}  // namespace tarnwick::engine
