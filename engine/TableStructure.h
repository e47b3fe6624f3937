#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

namespace tarnwick::engine {

// What a table's definition (SHOW CREATE TABLE) says that a copy made with CREATE TABLE ... LIKE
// needs besides: the plain indexes, which can be dropped from the empty copy before it is filled
// and added again in one statement once its rows are final (building an index once is cheaper than
// keeping it while the rows go in), the columns that take values, the AUTO_INCREMENT counter, and
// what LIKE does not copy.
struct TableStructure {
    // The plain (KEY) and UNIQUE indexes as the definition writes them, e.g. "KEY `c` (`city`)
    // COMMENT 'idx'", and their names. Not the primary key; not FULLTEXT or SPATIAL indexes (InnoDB
    // adds those one at a time, so the copy keeps them); not an index of the AUTO_INCREMENT column
    // (which must always have one).
    QStringList plainIndexes;
    QStringList plainIndexNames;
    // The columns that take values, in order (generated columns are computed), invisible ones
    // too.
    QStringList storedColumns;
    std::optional<QString> autoIncrementColumn;
    std::optional<uint64_t> autoIncrementCounter;  // the table's AUTO_INCREMENT=N
    int foreignKeys = 0;                           // FOREIGN KEY constraints (LIKE copies none)
};

// Takes apart the text of SHOW CREATE TABLE (its second column).
TableStructure ParseTableStructure(const QString& createTable);

}  // namespace tarnwick::engine
