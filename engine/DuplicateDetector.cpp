#include "engine/DuplicateDetector.h"

#include <limits>
#include <stdexcept>

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

DuplicateDetector::Group DuplicateDetector::Add(KeptKey key) {
    CountRow();
    const KeySet::Entry entry = (key.digest ? seenLong_ : seen_).Insert(key.bytes, groups_);
    if (entry.added) ++groups_;
    return {entry.tag, entry.added};
}

}  // namespace tarnwick::engine
