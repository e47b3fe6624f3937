#pragma once

#include <string>
#include <string_view>

namespace tarnwick::engine {

class KeyRows;

// Builds one row's key from its key field values, field by field, as UTF-8 bytes. Each value is
// written as its exact text form (db/KeyText.h) followed by ":" + its length in bytes + ";"
// ("Smith:5;"), so that no value can run into its neighbour: the values "a, b" + "c" and "a" +
// "b, c" give different keys (read from the right, every field's length comes before its text).
// A NULL value is written as empty text, so NULL and '' give the same key. Equal keys mean equal
// text in every field, exactly (case and trailing blanks count).
class RowKey {
  public:
    void Clear() { key_.clear(); }
    // Appends key field `field` of the current row of `rows`.
    void AppendField(const KeyRows& rows, int field);

    std::string_view Bytes() const { return key_; }

  private:
    std::string key_;
};

}  // namespace tarnwick::engine
