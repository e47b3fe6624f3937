#include "engine/Statements.h"

#include <algorithm>
#include <charconv>
#include <string>

#include "db/Identifier.h"

namespace tarnwick::engine {
namespace {

QString TemporaryColumn() {
    return QString::fromUtf16(kTemporaryColumn);
}

QString OrderBy(const TableOrder& order) {
    QString clause;
    for (size_t i = 0; i < order.size(); ++i) {
        clause += (i == 0 ? QStringLiteral(" ORDER BY ") : QStringLiteral(", ")) +
                  db::QuoteIdentifier(order[i].name);
        if (order[i].descending) clause += QStringLiteral(" DESC");
    }
    return clause;
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

QString GrantsQuery() {
    return QStringLiteral("SHOW GRANTS;");
}

QString RowLoggingStatement() {
    return QStringLiteral("SET SESSION binlog_format = 'ROW';");
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

namespace {

QString SelectList(const QStringList& columns) {
    if (columns.isEmpty()) return QStringLiteral("*");
    QString list;
    for (const QString& column : columns) {
        if (!list.isEmpty()) list += QStringLiteral(", ");
        list += db::QuoteIdentifier(column);
    }
    return list;
}

QString CopyFrom(const QString& chosenTable, const QStringList& columns, const TableOrder& order) {
    return QStringLiteral(" AS SELECT ") + SelectList(columns) + QStringLiteral(" from ") +
           db::QuoteIdentifier(chosenTable) + OrderBy(order) + u';';
}

}  // namespace

QString CopyStatement(const QString& newTable, const QString& chosenTable,
                      const QStringList& columns, const TableOrder& order) {
    return QStringLiteral("CREATE TABLE ") + db::QuoteIdentifier(newTable) +
           CopyFrom(chosenTable, columns, order);
}

QString KeyedCopyStatement(const QString& newTable, const QString& chosenTable,
                           const QStringList& columns, const QString& keyColumn,
                           const TableOrder& order) {
    return QStringLiteral("CREATE TABLE ") + db::QuoteIdentifier(newTable) +
           QStringLiteral(" (PRIMARY KEY (") + db::QuoteIdentifier(keyColumn) +
           QStringLiteral("))") + CopyFrom(chosenTable, columns, order);
}

QString NumberedCopyStatement(const QString& newTable, const QString& chosenTable,
                              const QStringList& columns, const TableOrder& order) {
    const QString temporary = db::QuoteIdentifier(TemporaryColumn());
    return QStringLiteral("CREATE TABLE ") + db::QuoteIdentifier(newTable) + QStringLiteral(" (") +
           temporary + QStringLiteral(" INT UNSIGNED NOT NULL AUTO_INCREMENT, KEY (") + temporary +
           QStringLiteral("))") + CopyFrom(chosenTable, columns, order);
}

QString PrimaryKeyQuery(const QString& table) {
    return QStringLiteral("SHOW KEYS FROM ") + db::QuoteIdentifier(table) +
           QStringLiteral(" WHERE Key_name = 'PRIMARY';");
}

QString AddKeyStatement(const QString& newTable) {
    return QStringLiteral("ALTER TABLE ") + db::QuoteIdentifier(newTable) +
           QStringLiteral(" ADD ") + db::QuoteIdentifier(TemporaryColumn()) +
           QStringLiteral(" INT UNSIGNED NOT NULL AUTO_INCREMENT, ADD PRIMARY KEY (") +
           TemporaryColumn() + QStringLiteral(");");
}

namespace {

QString KeyColumnList(const KeyColumns& columns) {
    QStringList list;
    for (const KeyField& field : columns.fields) {
        const QString name = db::QuoteIdentifier(field.name);
        if (!field.byCollation) {
            list << name;
            continue;
        }
        // The server says whether the collation pads: the trimmed value is equal, or it is not.
        const QString trimmed = QStringLiteral("TRIM(TRAILING ' ' FROM ") + name + u')';
        list << QStringLiteral("WEIGHT_STRING(IF(") + name + QStringLiteral(" = ") + trimmed +
                    QStringLiteral(", ") + trimmed + QStringLiteral(", ") + name +
                    QStringLiteral("))");
    }
    for (const QString& label : columns.labels) list << db::QuoteIdentifier(label);
    return list.join(QStringLiteral(", "));
}

}  // namespace

QString KeySliceQuery(const QString& table, const QString& idColumn, const KeyColumns& columns,
                      const std::optional<QString>& after, int64_t rows) {
    // The row-id column comes first: the deletes name its values.
    const QString id = db::QuoteIdentifier(idColumn);
    QString statement = QStringLiteral("SELECT ") + id + QStringLiteral(", ") +
                        KeyColumnList(columns) + QStringLiteral(" FROM ") +
                        db::QuoteIdentifier(table);
    if (after) statement += QStringLiteral(" WHERE ") + id + QStringLiteral(" > ") + *after;
    return statement + QStringLiteral(" ORDER BY ") + id + QStringLiteral(" LIMIT ") +
           QString::number(rows) + u';';
}

QString KeyScanQuery(const QString& table, const KeyColumns& columns, const TableOrder& order) {
    return QStringLiteral("SELECT ") + KeyColumnList(columns) + QStringLiteral(" FROM ") +
           db::QuoteIdentifier(table) + OrderBy(order) + u';';
}

namespace {

QString DeleteStatementStart(const QString& table, const QString& idColumn) {
    return QStringLiteral("DELETE FROM ") + db::QuoteIdentifier(table) + QStringLiteral(" WHERE ") +
           db::QuoteIdentifier(idColumn) + QStringLiteral(" IN (");
}

char* WriteId(uint64_t id, bool isSigned, char* to, char* end) {
    return isSigned ? std::to_chars(to, end, static_cast<int64_t>(id)).ptr
                    : std::to_chars(to, end, id).ptr;
}

}  // namespace

DeleteBatch DeleteStatement(const QString& table, const QString& idColumn,
                            std::span<const uint64_t> ids, bool isSigned,
                            uint64_t maxStatementBytes, size_t maxIds) {
    const QString start = DeleteStatementStart(table, idColumn);
    // The closing parenthesis counts too. The digits are written as bytes: a QString::number per
    // value costs more than the rest of a delete on the client.
    uint64_t bytes = static_cast<uint64_t>(start.toUtf8().size()) + 1;
    std::string digits;
    digits.reserve(std::min(ids.size(), maxIds) * 9);
    size_t count = 0;
    char number[24];
    while (count < ids.size() && count < maxIds) {
        char* end = WriteId(ids[count], isSigned, number, number + sizeof number);
        const uint64_t more = static_cast<uint64_t>(end - number) + (count > 0 ? 2 : 0);
        if (count > 0 && bytes + more > maxStatementBytes) break;
        if (count > 0) digits += ", ";
        digits.append(number, end);
        bytes += more;
        ++count;
    }
    // No closing semicolon, like the single-row delete.
    return {
        start + QString::fromLatin1(digits.data(), static_cast<qsizetype>(digits.size())) + u')',
        count};
}

QString DropKeyStatement(const QString& newTable) {
    return QStringLiteral("ALTER TABLE ") + db::QuoteIdentifier(newTable) +
           QStringLiteral(" DROP COLUMN ") + db::QuoteIdentifier(TemporaryColumn()) + u';';
}

QString DropNumberingStatement(const QString& newTable) {
    // The index that KEY (...) made carries the column's name.
    const QString temporary = db::QuoteIdentifier(TemporaryColumn());
    return QStringLiteral("ALTER TABLE ") + db::QuoteIdentifier(newTable) +
           QStringLiteral(" DROP INDEX ") + temporary + QStringLiteral(", DROP COLUMN ") +
           temporary + u';';
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

QString CreateTableQuery(const QString& table) {
    return QStringLiteral("SHOW CREATE TABLE ") + db::QuoteIdentifier(table) + u';';
}

QString LikeStatement(const QString& newTable, const QString& chosenTable) {
    return QStringLiteral("CREATE TABLE ") + db::QuoteIdentifier(newTable) +
           QStringLiteral(" LIKE ") + db::QuoteIdentifier(chosenTable) + u';';
}

QString DropIndexesStatement(const QString& table, const QStringList& indexNames) {
    QStringList drops;
    for (const QString& name : indexNames)
        drops << QStringLiteral("DROP INDEX ") + db::QuoteIdentifier(name);
    return QStringLiteral("ALTER TABLE ") + db::QuoteIdentifier(table) + u' ' +
           drops.join(QStringLiteral(", ")) + u';';
}

QString AddIndexesStatement(const QString& table, const QStringList& definitions,
                            std::optional<uint64_t> autoIncrement) {
    QStringList parts;
    for (const QString& definition : definitions) parts << QStringLiteral("ADD ") + definition;
    if (autoIncrement)
        parts << QStringLiteral("AUTO_INCREMENT = ") + QString::number(*autoIncrement);
    return QStringLiteral("ALTER TABLE ") + db::QuoteIdentifier(table) + u' ' +
           parts.join(QStringLiteral(", ")) + u';';
}

QString FillStatement(const QString& table, const QString& from, const QStringList& columns,
                      const TableOrder& order) {
    const QString list = u'(' + SelectList(columns) + u')';
    return QStringLiteral("INSERT INTO ") + db::QuoteIdentifier(table) + u' ' + list +
           QStringLiteral(" SELECT ") + SelectList(columns) + QStringLiteral(" FROM ") +
           db::QuoteIdentifier(from) + OrderBy(order) + u';';
}

QString TriggerCountQuery(const QString& table) {
    return QStringLiteral(
               "SELECT COUNT(*) FROM information_schema.TRIGGERS WHERE EVENT_OBJECT_SCHEMA = "
               "DATABASE() AND EVENT_OBJECT_TABLE = ") +
           db::QuoteText(table) + u';';
}

QString BulkFillStatement(bool bulk) {
    const QString value = bulk ? QStringLiteral("0") : QStringLiteral("1");
    return SetSessionStatement({QStringLiteral("unique_checks = ") + value,
                                QStringLiteral("foreign_key_checks = ") + value});
}

QString SnapshotStatement() {
    return QStringLiteral("START TRANSACTION WITH CONSISTENT SNAPSHOT, READ ONLY;");
}

QString EndSnapshotStatement() {
    return QStringLiteral("COMMIT;");
}

QString TimeZoneStatement(const QString& zone) {
    return QStringLiteral("SET SESSION time_zone = ") + db::QuoteText(zone) + u';';
}

QString TablePartQuery(const QString& table, long first, long rows) {
    return QStringLiteral("SELECT * FROM ") + db::QuoteIdentifier(table) +
           QStringLiteral(" LIMIT %1, %2;").arg(first).arg(rows);
}

db::TableParts TablePartsOf(const QString& table, std::optional<long> rows) {
    return {[table](long first, long count) { return TablePartQuery(table, first, count); },
            RowCountQuery(table), rows};
}

QString RowCountQuery(const QString& table) {
    return QStringLiteral("SELECT COUNT(*) FROM ") + db::QuoteIdentifier(table) + u';';
}

}  // namespace tarnwick::engine
