#include "engine/DuplicateFinder.h"

#include <QSet>
#include <algorithm>
#include <limits>
#include <stdexcept>
#include <string>
#include <unordered_set>

namespace tarnwick::engine {

void DuplicateDetector::CountRow() {
    if (rows_ >= std::numeric_limits<int32_t>::max()) {
        throw std::overflow_error("Overflow: more rows than a 32-bit row position can count");
    }
    ++rows_;
}

DuplicateDetector::KeptKey DuplicateDetector::Keep(std::string_view key) {
    if (key.size() <= kExactKeyBytes) return {key, false};
    digest_.reset();
    digest_.addData(QByteArrayView(key.data(), static_cast<qsizetype>(key.size())));
    const QByteArrayView digest = digest_.resultView();
    return {{digest.data(), static_cast<size_t>(digest.size())}, true};
}

bool DuplicateDetector::Add(std::string_view key) {
    if (!AddKept(Keep(key))) return false;
    positions_.push_back(static_cast<int32_t>(rows_));
    return true;
}

bool DuplicateDetector::AddKept(KeptKey key) {
    CountRow();
    return !(key.digest ? seenLong_ : seen_).Insert(key.bytes);
}

bool DuplicateDetector::AddText(const QString& key) {
    return Add(std::string_view(reinterpret_cast<const char*>(key.utf16()),
                                static_cast<size_t>(key.size()) * sizeof(char16_t)));
}

std::vector<int32_t> DuplicateDetector::PositionsDescending() const {
    return {positions_.rbegin(), positions_.rend()};
}

std::vector<int32_t> FindDuplicatePositions(const std::vector<QString>& keys,
                                            const YieldCallback& yield) {
    DuplicateDetector detector;
    for (const QString& key : keys) {
        YieldNow(yield);
        detector.AddText(key);
    }
    return detector.PositionsDescending();
}

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
