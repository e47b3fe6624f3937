#pragma once

#include <QString>

namespace tarnwick::db {

// Encloses a table or field name in backticks for a statement. A backtick inside the name is
// doubled, so every name the server accepts can be named; a name without backticks comes out as
// "`" + name + "`".
QString QuoteIdentifier(const QString& name);

}  // namespace tarnwick::db
