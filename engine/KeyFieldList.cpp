#include "engine/KeyFieldList.h"

#include "db/Identifier.h"

namespace tarnwick::engine {

QString BuildKeyFieldList(const QStringList& fieldNames) {
    QStringList quoted;
    quoted.reserve(fieldNames.size());
    for (const QString& name : fieldNames) quoted << db::QuoteIdentifier(name);
    return quoted.join(QStringLiteral(", "));
}

}  // namespace tarnwick::engine
