#include "engine/RowKey.h"

namespace tarnwick::engine {

void RowKey::Append(const db::Value& value) {
    const QString text = db::NullToDefault(value, QString());
    key_ += QString::number(text.size());
    key_ += u':';
    key_ += text;
}

}  // namespace tarnwick::engine
