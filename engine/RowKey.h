#pragma once

#include <QString>

#include "db/Value.h"

namespace tarnwick::engine {

// Builds one row's key from its key field values, field by field. Each value is written with its
// length in front ("5:Smith"), so that no value can run into its neighbour: the values "a, b" + "c"
// and "a" + "b, c" give different keys. A NULL value is written as empty text, so NULL and ''
// give the same key. Equal keys mean equal text in every field, exactly (case and trailing
// blanks count).
class RowKey {
  public:
    void Clear() { key_.clear(); }
    void Append(const db::Value& value);
    const QString& Text() const { return key_; }

  private:
    QString key_;
};

}  // namespace tarnwick::engine
