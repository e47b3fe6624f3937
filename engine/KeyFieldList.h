#pragma once

#include <QString>
#include <QStringList>

namespace tarnwick::engine {

// The key field list of the key query: each name in backticks (a backtick inside a name doubled),
// joined by ", ": {"name", "city"} gives "`name`, `city`".
QString BuildKeyFieldList(const QStringList& fieldNames);

}  // namespace tarnwick::engine
