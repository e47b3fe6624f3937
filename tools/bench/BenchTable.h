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

// Count, sum and checksum of the ids: equal for two tables that kept the same rows.
QString Fingerprint(db::Connection& connection, const QString& table);

// Drops the tables that exist among `tables`.
void DropTables(db::Connection& connection, const QStringList& tables);

}  // namespace tarnwick::bench
