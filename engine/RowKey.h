#pragma once

#include <QString>
#include <string>
#include <string_view>

#include "db/KeyCursor.h"
#include "db/Value.h"

namespace tarnwick::engine {

// Builds one row's key from its key field values, field by field, as UTF-8 bytes. Each value is
// written as its exact text form (db/KeyText.h) followed by ":" + its length in bytes + ";"
// ("Smith:5;"), so that no value can run into its neighbour: the values "a, b" + "c" and "a" +
// "b, c" give different keys (read from the right, every field's length comes before its text).
// A NULL value is written as empty text, so NULL and '' give the same key. Equal keys mean equal
// text in every field, exactly (case and trailing blanks count).
class RowKey {
  public:
    void Clear() { key_.clear(); }
    void Append(const db::Value& value);
    // The same for a field of the cursor's current row, straight from the cursor's buffers.
    void AppendField(const db::KeyCursor& cursor, int field);

    std::string_view Bytes() const { return key_; }
    QString Text() const {
        return QString::fromUtf8(key_.data(), static_cast<qsizetype>(key_.size()));
    }

  private:
    void EndField(size_t start);

    std::string key_;
};

}  // namespace tarnwick::engine
