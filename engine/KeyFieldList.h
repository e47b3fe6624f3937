#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace tarnwick::engine {

// The field page's key field list: the chosen field names, each in backticks (a backtick inside a
// name doubled), joined by ", ": "`name`, `city`". The page keeps this text; the run takes the
// names, which KeyFieldNames reads back from it where the result page starts the run.
//
// The page builds the list name by name: AppendKeyField appends the quoted name and the separator
// ", "; CutLastSeparator then cuts the separator after the last name (throws app::Failure when
// the list holds no name).
void AppendKeyField(QString& keyFieldList, const QString& fieldName);
void CutLastSeparator(QString& keyFieldList);
// The names of such a list, or nothing when the text is not one (or names no field).
std::optional<QStringList> KeyFieldNames(const QString& keyFieldList);

}  // namespace tarnwick::engine
