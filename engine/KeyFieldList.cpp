#include "engine/KeyFieldList.h"

#include "db/Identifier.h"

namespace tarnwick::engine {

QString BuildKeyFieldList(const QStringList& fieldNames) {
    QStringList quoted;
    quoted.reserve(fieldNames.size());
    for (const QString& name : fieldNames) quoted << db::QuoteIdentifier(name);
    return quoted.join(QStringLiteral(", "));
}

std::optional<QStringList> KeyFieldNames(const QString& keyFieldList) {
    QStringList names;
    qsizetype i = 0;
    const qsizetype n = keyFieldList.size();
    while (i < n) {
        if (!names.isEmpty()) {
            if (!keyFieldList.mid(i).startsWith(u", ")) return std::nullopt;
            i += 2;
        }
        if (i >= n || keyFieldList[i] != u'`') return std::nullopt;
        ++i;
        QString name;
        while (true) {
            if (i >= n) return std::nullopt;  // no closing backtick
            if (keyFieldList[i] == u'`') {
                if (i + 1 < n && keyFieldList[i + 1] == u'`') {
                    name += u'`';
                    i += 2;
                    continue;
                }
                ++i;
                break;
            }
            name += keyFieldList[i++];
        }
        names << name;
    }
    if (names.isEmpty()) return std::nullopt;
    return names;
}

}  // namespace tarnwick::engine
