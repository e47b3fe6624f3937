#include "engine/RowKey.h"

namespace tarnwick::engine {

void RowKey::Append(const db::Value& value) {
    const size_t start = key_.size();
    if (value) {
        const auto* text = reinterpret_cast<const char16_t*>(value->utf16());
        key_.insert(key_.end(), text, text + value->size());
    }
    EndField(start);
}

void RowKey::AppendField(db::Cursor& cursor, int field) {
    const size_t start = key_.size();
    cursor.ReadInto(field, key_);  // appends nothing for NULL
    EndField(start);
}

void RowKey::EndField(size_t start) {
    char digits[24];
    int count = 0;
    for (size_t length = key_.size() - start; count == 0 || length > 0; length /= 10) {
        digits[count++] = static_cast<char>('0' + length % 10);
    }
    key_.push_back(u':');
    while (count > 0) key_.push_back(static_cast<char16_t>(digits[--count]));
    key_.push_back(u';');
}

QString RowKey::Text() const {
    return QString::fromUtf16(key_.data(), static_cast<qsizetype>(key_.size()));
}

}  // namespace tarnwick::engine
