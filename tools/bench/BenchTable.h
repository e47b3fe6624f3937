#pragma once

#include <QString>
#include <QStringList>

namespace tarnwick::db {
class Connection;
}

namespace tarnwick::bench {

// Creates `table` with `rows` rows: id, name, city, amount, note; rows whose number ends in 0, 1
// or 2 (after the first ten) repeat the (name, city) of an earlier row, about 30% of all. The ids
// follow the sequence the rows come from (seq_1_to_N gives them in order). An index on
// (name, city) makes the key columns come back in index order when read alone.
void CreateTable(db::Connection& connection, const QString& table, long rows);

// Creates `table` with `rows` rows of a wide key: id, name, body (a TEXT of 2048 bytes), amount,
// in a binary collation; the same rows as in CreateTable repeat the (name, body) of an earlier
// row. Half the names share bodies that differ only after their first 1024 bytes (past the
// server's default max_sort_length), the other half bodies that differ from the first byte. No
// index: a TEXT column takes one only on a prefix.
void CreateWideTable(db::Connection& connection, const QString& table, long rows);

// Count, sum and checksum of the ids: equal for two tables that kept the same rows.
QString Fingerprint(db::Connection& connection, const QString& table);

// Drops the tables that exist among `tables`.
void DropTables(db::Connection& connection, const QStringList& tables);

}  // namespace tarnwick::bench
