#include "engine/TableStructure.h"

#include <QRegularExpression>

namespace tarnwick::engine {
namespace {

// The name a definition line starts with, in backticks (a backtick inside it doubled); from `at`.
std::optional<QString> QuotedName(const QString& line, qsizetype at) {
    if (at >= line.size() || line[at] != u'`') return std::nullopt;
    QString name;
    for (qsizetype i = at + 1; i < line.size(); ++i) {
        if (line[i] != u'`') {
            name += line[i];
        } else if (i + 1 < line.size() && line[i + 1] == u'`') {
            name += u'`';
            ++i;
        } else {
            return name;
        }
    }
    return std::nullopt;
}

// The names in an index's column list, "(`a`,`b`(10) DESC)" after the index's own name.
QStringList IndexColumns(const QString& line) {
    QStringList names;
    const std::optional<QString> own = QuotedName(line, line.indexOf(u'`'));
    if (!own) return names;
    qsizetype at = line.indexOf(u'`') + 2 + own->size() + own->count(u'`');
    int depth = 0;
    for (; at < line.size(); ++at) {
        const QChar c = line[at];
        if (c == u'(') {
            ++depth;
        } else if (c == u')') {
            if (--depth == 0) break;
        } else if (c == u'`' && depth == 1) {
            const std::optional<QString> name = QuotedName(line, at);
            if (!name) break;
            names << *name;
            at += 1 + name->size() + name->count(u'`');
        }
    }
    return names;
}

}  // namespace

TableStructure ParseTableStructure(const QString& createTable) {
    TableStructure structure;
    struct Index {
        QString definition;
        QString name;
        QStringList columns;
    };
    std::vector<Index> indexes;
    for (const QString& raw : createTable.split(u'\n')) {
        QString line = raw.trimmed();
        if (line.endsWith(u',')) line.chop(1);
        if (line.startsWith(u'`')) {
            const std::optional<QString> name = QuotedName(line, 0);
            if (!name) continue;
            if (!line.contains(QStringLiteral(" GENERATED ALWAYS AS ")))
                structure.storedColumns << *name;
            if (line.contains(QStringLiteral(" AUTO_INCREMENT")))
                structure.autoIncrementColumn = name;
        } else if (line.startsWith(QStringLiteral("KEY `")) ||
                   line.startsWith(QStringLiteral("UNIQUE KEY `"))) {
            const qsizetype at = line.indexOf(u'`');
            indexes.push_back({line, QuotedName(line, at).value_or(QString()), IndexColumns(line)});
        } else if (line.startsWith(QStringLiteral("CONSTRAINT ")) &&
                   line.contains(QStringLiteral(" FOREIGN KEY "))) {
            ++structure.foreignKeys;
        } else if (line.startsWith(u')')) {
            static const QRegularExpression counter(QStringLiteral(" AUTO_INCREMENT=(\\d+)"));
            const QRegularExpressionMatch match = counter.match(line);
            if (match.hasMatch()) structure.autoIncrementCounter = match.captured(1).toULongLong();
        }
    }
    for (const Index& index : indexes) {
        if (structure.autoIncrementColumn && index.columns.contains(*structure.autoIncrementColumn))
            continue;
        structure.plainIndexes << index.definition;
        structure.plainIndexNames << index.name;
    }
    return structure;
}

}  // namespace tarnwick::engine
