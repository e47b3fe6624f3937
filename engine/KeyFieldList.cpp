#include "engine/KeyFieldList.h"

#include "app/core/FailureDescription.h"
#include "db/Identifier.h"

namespace tarnwick::engine {

namespace {

constexpr char16_t kKeySeparator[] = u", ";

}  // namespace

void AppendKeyField(QString& keyFieldList, const QString& fieldName) {
    keyFieldList += db::QuoteIdentifier(fieldName) + QString::fromUtf16(kKeySeparator);
}

void CutLastSeparator(QString& keyFieldList) {
    const qsizetype separator = QStringView(kKeySeparator).size();
    if (keyFieldList.size() < separator)
        throw app::Failure(QStringLiteral("No field has been chosen"));
    keyFieldList.chop(separator);
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
