#include "engine/RowKey.h"

#include <charconv>

#include "engine/KeyRows.h"

namespace tarnwick::engine {

void RowKey::AppendField(const KeyRows& rows, int field) {
    const size_t start = key_.size();
    rows.AppendField(field, key_);  // appends nothing for NULL
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, key_.size() - start).ptr;
    key_ += ':';
    key_.append(digits, end);
    key_ += ';';
}

}  // namespace tarnwick::engine
