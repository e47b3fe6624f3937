#include "engine/RowKey.h"

#include <charconv>

namespace tarnwick::engine {

void RowKey::Append(const db::Value& value) {
    const size_t start = key_.size();
    if (value) key_ += value->toStdString();
    EndField(start);
}

void RowKey::AppendField(const db::KeyCursor& cursor, int field) {
    const size_t start = key_.size();
    cursor.AppendValue(field, key_);  // appends nothing for NULL
    EndField(start);
}

void RowKey::EndField(size_t start) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, key_.size() - start).ptr;
    key_ += ':';
    key_.append(digits, end);
    key_ += ';';
}

}  // namespace tarnwick::engine
