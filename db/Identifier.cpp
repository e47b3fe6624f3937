#include "db/Identifier.h"

namespace tarnwick::db {

QString QuoteIdentifier(const QString& name) {
    QString quoted;
    quoted.reserve(name.size() + 2);
    quoted += u'`';
    for (QChar c : name) {
        quoted += c;
        if (c == u'`') quoted += u'`';
    }
    quoted += u'`';
    return quoted;
}

}  // namespace tarnwick::db
