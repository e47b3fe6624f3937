#pragma once

#include <QString>
#include <optional>

namespace tarnwick::db {

// A field value as text; std::nullopt is SQL NULL.
using Value = std::optional<QString>;

// The default when the value is null, else the value unchanged.
inline QString NullToDefault(const Value& value, const QString& defaultValue) {
    return value.has_value() ? *value : defaultValue;
}

}  // namespace tarnwick::db
