#pragma once

#include <QString>
#include <vector>

#include "db/Cursor.h"
#include "db/Value.h"

namespace tarnwick::engine {

// Builds one row's key from its key field values, field by field. Each value is written as its
// text followed by ":" + its length + ";" ("Smith:5;"), so that no value can run into its
// neighbour: the values "a, b" + "c" and "a" + "b, c" give different keys (read from the right,
// every field's length comes before its text). A NULL value is written as empty text, so NULL and
// '' give the same key. Equal keys mean equal text in every field, exactly (case and trailing
// blanks count).
class RowKey {
  public:
    void Clear() { key_.clear(); }
    void Append(const db::Value& value);
    // The same for a field of the cursor's current row, without an intermediate string.
    void AppendField(db::Cursor& cursor, int field);
    QString Text() const;

  private:
    void EndField(size_t start);

    std::vector<char16_t> key_;
};

}  // namespace tarnwick::engine
