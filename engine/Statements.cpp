#include "engine/Statements.h"

#include <charconv>
#include <string>

#include "db/Identifier.h"

namespace tarnwick::engine {
namespace {

QString TemporaryColumn() {
    return QString::fromUtf16(kTemporaryColumn);
}

}  // namespace

QString TableNamesQuery() {
    return QStringLiteral("SHOW TABLES;");
}

QString FirstRowsQuery(const QString& table) {
    return QStringLiteral("SELECT * FROM ") + db::QuoteIdentifier(table) +
           QStringLiteral(" LIMIT 100;");
}

QString FieldListQuery(const QString& table) {
    return QStringLiteral("DESCRIBE ") + db::QuoteIdentifier(table) + u';';
}

QString SessionVariablesQuery(const QStringList& names) {
    QStringList quoted;
    for (const QString& name : names) quoted << u'\'' + name + u'\'';
    return QStringLiteral("SHOW SESSION VARIABLES WHERE Variable_name IN (") +
           quoted.join(QStringLiteral(", ")) + QStringLiteral(");");
}

QString SetSessionStatement(const QStringList& assignments) {
    return QStringLiteral("SET SESSION ") + assignments.join(QStringLiteral(", ")) + u';';
}

QString TableListQuery() {
    return QStringLiteral("SHOW FULL TABLES;");
}

QString ColumnListQuery(const QString& table) {
    return QStringLiteral("SHOW COLUMNS FROM ") + db::QuoteIdentifier(table) + u';';
}

QString ViewDefinitionsQuery() {
    return QStringLiteral(
        "SELECT TABLE_SCHEMA, TABLE_NAME, VIEW_DEFINITION FROM information_schema.VIEWS;");
}

QString DropStatement(const QString& newTable) {
    return QStringLiteral("DROP TABLE IF EXISTS ") + db::QuoteIdentifier(newTable) + u';';
}

QString CopyStatement(const QString& newTable, const QString& chosenTable,
                      const QStringList& columns) {
    QString list;
    for (const QString& column : columns) {
        if (!list.isEmpty()) list += QStringLiteral(", ");
        list += db::QuoteIdentifier(column);
    }
    return QStringLiteral("CREATE TABLE ") + db::QuoteIdentifier(newTable) +
           QStringLiteral(" AS SELECT ") + (columns.isEmpty() ? QStringLiteral("*") : list) +
           QStringLiteral(" from ") + db::QuoteIdentifier(chosenTable) + u';';
}

QString AddKeyStatement(const QString& newTable) {
    return QStringLiteral("ALTER TABLE ") + db::QuoteIdentifier(newTable) +
           QStringLiteral(" ADD ") + db::QuoteIdentifier(TemporaryColumn()) +
           QStringLiteral(" INT UNSIGNED NOT NULL AUTO_INCREMENT, ADD PRIMARY KEY (") +
           TemporaryColumn() + QStringLiteral(");");
}

QString KeyQuery(const QString& keyFieldList, const QString& newTable) {
    // The temporary column comes first: the deletes name its values.
    const QString temporary = db::QuoteIdentifier(TemporaryColumn());
    return QStringLiteral("SELECT ") + temporary + QStringLiteral(", ") + keyFieldList +
           QStringLiteral(" FROM ") + db::QuoteIdentifier(newTable) + QStringLiteral(" ORDER BY ") +
           temporary + u';';
}

namespace {

QString DeleteStatementStart(const QString& newTable) {
    return QStringLiteral("DELETE FROM ") + db::QuoteIdentifier(newTable) +
           QStringLiteral(" WHERE ") + db::QuoteIdentifier(TemporaryColumn()) +
           QStringLiteral(" IN (");
}

size_t Digits(uint32_t number) {
    size_t digits = 1;
    while (number >= 10) {
        number /= 10;
        ++digits;
    }
    return digits;
}

}  // namespace

QString DeleteStatement(const QString& newTable, const std::vector<uint32_t>& numbers) {
    // The digits are written as bytes first: a QString::number per value costs more than the
    // rest of a delete on the client.
    std::string digits;
    digits.reserve(numbers.size() * 9);
    char number[16];
    for (size_t i = 0; i < numbers.size(); ++i) {
        if (i > 0) digits += ", ";
        digits.append(number, std::to_chars(number, number + sizeof number, numbers[i]).ptr);
    }
    const QString list = QString::fromLatin1(digits.data(), static_cast<qsizetype>(digits.size()));
    // No closing semicolon, like the single-row delete.
    return DeleteStatementStart(newTable) + list + u')';
}

size_t DeleteBatchLength(const QString& newTable, const std::vector<uint32_t>& numbers,
                         size_t first, uint64_t maxStatementBytes) {
    uint64_t bytes = static_cast<uint64_t>(DeleteStatementStart(newTable).toUtf8().size()) + 1;
    size_t count = 0;
    while (first + count < numbers.size() && count < static_cast<size_t>(kDeleteBatchSize)) {
        const uint64_t more = Digits(numbers[first + count]) + (count > 0 ? 2 : 0);
        if (count > 0 && bytes + more > maxStatementBytes) break;
        bytes += more;
        ++count;
    }
    return count;
}

QString DropKeyStatement(const QString& newTable) {
    return QStringLiteral("ALTER TABLE ") + db::QuoteIdentifier(newTable) +
           QStringLiteral(" DROP COLUMN ") + db::QuoteIdentifier(TemporaryColumn()) + u';';
}

QString RenameStatement(const QString& scratch, const QString& newTable) {
    return QStringLiteral("RENAME TABLE ") + db::QuoteIdentifier(scratch) + QStringLiteral(" TO ") +
           db::QuoteIdentifier(newTable) + u';';
}

QString SwapStatement(const QString& scratch, const QString& newTable, const QString& retired) {
    return QStringLiteral("RENAME TABLE ") + db::QuoteIdentifier(newTable) +
           QStringLiteral(" TO ") + db::QuoteIdentifier(retired) + QStringLiteral(", ") +
           db::QuoteIdentifier(scratch) + QStringLiteral(" TO ") + db::QuoteIdentifier(newTable) +
           u';';
}

QString DropRetiredStatement(const QString& retired) {
    return QStringLiteral("DROP TABLE ") + db::QuoteIdentifier(retired) + u';';
}

QString PreviewQuery(const QString& newTable) {
    return QStringLiteral("SELECT * FROM ") + db::QuoteIdentifier(newTable) + u';';
}

QString RowCountQuery(const QString& table) {
    return QStringLiteral("SELECT COUNT(*) FROM ") + db::QuoteIdentifier(table) + u';';
}

}  // namespace tarnwick::engine
