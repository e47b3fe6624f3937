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

QString QuoteText(const QString& text) {
    QString quoted;
    quoted.reserve(text.size() + 2);
    quoted += u'\'';
    for (QChar c : text) {
        if (c == u'\'' || c == u'\\') quoted += c;
        quoted += c;
    }
    quoted += u'\'';
    return quoted;
}

}  // namespace tarnwick::db
