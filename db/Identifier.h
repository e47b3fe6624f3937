#pragma once

#include <QString>

namespace tarnwick::db {

// Encloses a table or field name in backticks for a statement. A backtick inside the name is
// doubled, so every name the server accepts can be named; a name without backticks comes out as
// "`" + name + "`".
QString QuoteIdentifier(const QString& name);

// Encloses a text in single quotes as a string literal: a quote is doubled and a backslash
// escaped, which reads back as the same text in a session whose sql_mode lacks
// NO_BACKSLASH_ESCAPES (the run's session sets its sql_mode so).
QString QuoteText(const QString& text);

}  // namespace tarnwick::db
