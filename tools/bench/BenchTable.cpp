#include "tools/bench/BenchTable.h"

#include <QStringList>

#include "db/Connection.h"
#include "db/Identifier.h"
#include "db/RowSet.h"

namespace tarnwick::bench {
namespace {

// Each row's seq and k, the number of the row it repeats: about 30% of rows (seq > 10 ending in
// 0, 1 or 2) repeat an earlier row's k (which ends in 5), the others are their own.
QString RepeatedNumbers(long rows) {
    return "SELECT seq, IF(seq > 10 AND seq % 10 < 3, ((seq * 7919) % (seq - 10) + 1) DIV 10 * 10 "
           "+ 5, seq) AS k FROM seq_1_to_" +
           QString::number(rows);
}

// Drops a table of the name and creates it anew with `definition` (the columns in parentheses and
// any table options); returns the quoted name.
QString Recreate(db::Connection& connection, const QString& table, const QString& definition) {
    const QString name = db::QuoteIdentifier(table);
    connection.Execute("DROP TABLE IF EXISTS " + name + ";");
    connection.Execute("CREATE TABLE " + name + " " + definition + ";");
    return name;
}

}  // namespace

void CreateTable(db::Connection& connection, const QString& table, long rows) {
    const QString name =
        Recreate(connection, table,
                 "(id INT AUTO_INCREMENT PRIMARY KEY, name VARCHAR(40), city VARCHAR(40), "
                 "amount DECIMAL(10,2), note VARCHAR(100))");
    connection.Execute(
        "INSERT INTO " + name +
        " (name, city, amount, note) SELECT CONCAT('name ', k), CONCAT('city ', k % 997), "
        "(k % 100000) / 100, CONCAT('note for row ', seq) FROM (" +
        RepeatedNumbers(rows) + ") s;");
    connection.Execute("CREATE INDEX name_city ON " + name + " (name, city);");
    connection.Execute("CREATE INDEX amount ON " + name + " (amount);");
}

void CreateWideTable(db::Connection& connection, const QString& table, long rows) {
    const QString name =
        Recreate(connection, table,
                 "(id INT AUTO_INCREMENT PRIMARY KEY, name VARCHAR(40), body TEXT, amount "
                 "DECIMAL(10,2)) CHARACTER SET utf8mb4 COLLATE utf8mb4_bin");
    // k is the number of the row repeated, as in CreateTable; the name is that of k's group of
    // 20 numbers, g. In an even group the bodies share their first 1088 bytes and differ only
    // after them; in an odd one they differ from the first byte. A repeated k ends in 5, so an
    // even group has repeats of two bodies that differ late, interleaved in id order. Each body is
    // 2048 bytes of lower-case hex.
    connection.Execute(
        "INSERT INTO " + name +
        " (name, body, amount) SELECT CONCAT('name ', g), IF(g % 2 = 0, CONCAT(REPEAT(SHA2(g, "
        "256), 17), SHA2(k, 256), REPEAT(SHA2(g, 256), 14)), CONCAT(SHA2(k, 256), REPEAT(SHA2(g, "
        "256), 31))), (k % 100000) / 100 FROM (SELECT k, k DIV 20 AS g FROM (" +
        RepeatedNumbers(rows) + ") s) grouped;");
}

QString Fingerprint(db::Connection& connection, const QString& table) {
    auto rows = connection.Execute("SELECT COUNT(*), SUM(id), BIT_XOR(CRC32(id)) FROM " +
                                   db::QuoteIdentifier(table) + ";");
    QStringList parts;
    for (int c = 0; c < 3; ++c) parts << db::NullToDefault(rows->Field(c), {});
    return parts.join(u'/');
}

void DropTables(db::Connection& connection, const QStringList& tables) {
    for (const QString& table : tables) {
        connection.Execute("DROP TABLE IF EXISTS " + db::QuoteIdentifier(table) + ";");
    }
}

}  // namespace tarnwick::bench
