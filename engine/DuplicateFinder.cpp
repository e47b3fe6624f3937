#include "engine/DuplicateFinder.h"

#include <QSet>
#include <algorithm>
#include <stdexcept>
#include <string>
#include <unordered_set>

namespace tarnwick::engine {

void RemoveItemsFoundIn(ItemList& target, const ItemList& reference, const YieldCallback& yield) {
    QSet<QString> referenceTexts;
    for (int j = 0; j < reference.Count(); ++j) referenceTexts.insert(reference.Item(j));

    std::vector<int32_t> indices;
    for (int i = 0; i < target.Count(); ++i) {
        YieldNow(yield);
        if (referenceTexts.contains(target.Item(i))) indices.push_back(i);
    }
    indices = DistinctValues(indices);
    for (auto it = indices.rbegin(); it != indices.rend(); ++it) target.RemoveItem(*it);
}

std::vector<int32_t> DistinctValues(const std::vector<int32_t>& values) {
    if (values.size() > static_cast<size_t>(kMaxDistinctValues)) {
        throw std::length_error("Overflow: DistinctValues takes at most " +
                                std::to_string(kMaxDistinctValues) + " values, not " +
                                std::to_string(values.size()));
    }
    // Walk from the end: the first time a value is met there is its last occurrence.
    std::unordered_set<int32_t> seen;
    std::vector<int32_t> result;
    for (auto it = values.rbegin(); it != values.rend(); ++it) {
        if (seen.insert(*it).second) result.push_back(*it);
    }
    std::reverse(result.begin(), result.end());
    return result;
}

}  // namespace tarnwick::engine
