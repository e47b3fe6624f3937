#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace tarnwick::engine {

// The key field list of the key query: each name in backticks (a backtick inside a name doubled),
// joined by ", ": {"name", "city"} gives "`name`, `city`".
QString BuildKeyFieldList(const QStringList& fieldNames);
// The two steps BuildKeyFieldList takes, for a procedure that builds the list name by name:
// appends the quoted name and the separator ", "; then cuts the separator after the last name
// (throws app::Failure when the list holds no name).
void AppendKeyField(QString& keyFieldList, const QString& fieldName);
void CutLastSeparator(QString& keyFieldList);
// The names of a key field list that BuildKeyFieldList made, or nothing when the text is not such
// a list (or names no field).
std::optional<QStringList> KeyFieldNames(const QString& keyFieldList);

}  // namespace tarnwick::engine
