#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "db/TableParts.h"
#include "engine/TableOrder.h"

// Every statement the program sends, as text, in one place: the pages', the survey's and the
// run's. Names are quoted with db::QuoteIdentifier (a backtick inside a name doubled).
namespace tarnwick::engine {

// The login page's "Next >": the tables of the database.
QString TableNamesQuery();
// The table page's "Next >": the preview of at most 100 rows.
QString FirstRowsQuery(const QString& table);
// The field page's list of fields, from the table page's "Next >" and the result page's "< Back".
QString FieldListQuery(const QString& table);

// The session set-up (SessionPins.h): reads the named variables, sets the given assignments.
QString SessionVariablesQuery(const QStringList& names);
QString SetSessionStatement(const QStringList& assignments);

// The survey (TableSurvey.h), in the order it sends them. The second and third are sent when the
// chosen table is listed; the fourth for a chosen view when a table of the new name exists.
QString TableListQuery();
QString GrantsQuery();
QString ColumnListQuery(const QString& table);
QString ViewDefinitionsQuery();

// Has the session's binary log take rows, not statements (for a copy at READ COMMITTED).
QString RowLoggingStatement();

// The temporary column that numbers the copied rows while the run works.
inline constexpr char16_t kTemporaryColumn[] = u"TEMP_COLUMN_CREATED_BY_QUARNETT";
// Numbers per DELETE statement. Measured at 1,000,000 rows with 300,000 duplicates (scripts/bench
// --delete-batches): 1000 took 1.07 s, 5000 0.99 s, 10000 0.87 s, 20000 0.99 s, about what one
// server-side DELETE ... JOIN of the same rows takes (1.06 s): past a few thousand the server's
// work per row is all that is left. MariaDB stops using the primary key for a list of 50000 values
// and reads the whole table per statement instead; 10000 keeps well below that.
inline constexpr int kDeleteBatchSize = 10000;

// The statements of a run, in the order they are sent. Up to the Drop key, the run names its
// scratch table where these name the new table.
QString DropStatement(const QString& newTable);
// With `columns`, the copy names them instead of "*" (a table with INVISIBLE columns). Every copy
// reads the chosen table in `order`, so that the rows are copied, and numbered, in the table's
// order whatever index the server would choose for a plain scan.
QString CopyStatement(const QString& newTable, const QString& chosenTable,
                      const QStringList& columns = {}, const TableOrder& order = {});
QString AddKeyStatement(const QString& newTable);
// What the key query reads of each row: the key fields, then the label columns (for a report, as
// they are). A key field is read as its value, or with `byCollation` as the server's sort key of
// its value under the column's collation (WEIGHT_STRING), of the value without its trailing blanks
// where the collation takes it as equal to that (PAD SPACE), so that two values give the same
// bytes exactly when the server compares them as equal. Each name is quoted here, and only here (a
// backtick inside a name doubled).
struct KeyField {
    QString name;
    bool byCollation = false;
};
struct KeyColumns {
    std::vector<KeyField> fields;
    QStringList labels;
};
// One slice of the key query: the row-id column and `columns` of the rows whose row id is greater
// than `after` (from the first row without it), in row-id order, at most `rows` of them.
QString KeySliceQuery(const QString& table, const QString& idColumn, const KeyColumns& columns,
                      const std::optional<QString>& after, int64_t rows);
// The key query in one statement, without row ids: `columns` of every row, in `order`.
QString KeyScanQuery(const QString& table, const KeyColumns& columns, const TableOrder& order);
// A delete of the rows whose row-id column holds one of the first ids of `ids` (64-bit patterns,
// signed or not), named in their order: at most `maxIds` of them, and no more than keep the
// statement within `maxStatementBytes` (UTF-8); at least one.
struct DeleteBatch {
    QString statement;
    size_t ids = 0;  // how many of `ids` it names
};
DeleteBatch DeleteStatement(const QString& table, const QString& idColumn,
                            std::span<const uint64_t> ids, bool isSigned,
                            uint64_t maxStatementBytes = UINT64_MAX,
                            size_t maxIds = kDeleteBatchSize);
QString DropKeyStatement(const QString& newTable);

// The fast plan's own statements. The copy either keeps the chosen table's primary key as its own
// (the rows then carry their ids from the start), or numbers its rows as it copies them, in a
// temporary column with a plain index that is dropped again without a rebuild.
QString KeyedCopyStatement(const QString& newTable, const QString& chosenTable,
                           const QStringList& columns, const QString& keyColumn,
                           const TableOrder& order);
QString NumberedCopyStatement(const QString& newTable, const QString& chosenTable,
                              const QStringList& columns, const TableOrder& order);
QString DropNumberingStatement(const QString& newTable);
// The columns of the table's primary key, one row each in order (SHOW KEYS: the name is column
// 4, "A" or "D" in column 5).
QString PrimaryKeyQuery(const QString& table);
// The swap: the finished scratch table takes the new name, in one statement; a table of that name
// moves aside to `retired` at the same moment, and is dropped after.
QString RenameStatement(const QString& scratch, const QString& newTable);
QString SwapStatement(const QString& scratch, const QString& newTable, const QString& retired);
QString DropRetiredStatement(const QString& retired);
// A copy of a table's whole definition (TableStructure.h): the definition itself, an empty table
// made like it, its plain indexes dropped from it and added back (with the AUTO_INCREMENT counter
// when given) in one statement each.
QString CreateTableQuery(const QString& table);
QString LikeStatement(const QString& newTable, const QString& chosenTable);
QString DropIndexesStatement(const QString& table, const QStringList& indexNames);
QString AddIndexesStatement(const QString& table, const QStringList& definitions,
                            std::optional<uint64_t> autoIncrement);

// Fills a table made LIKE the chosen one: the columns that take values, from `from`, in `order`;
// and the number of the table's triggers.
QString FillStatement(const QString& table, const QString& from, const QStringList& columns,
                      const TableOrder& order);
QString TriggerCountQuery(const QString& table);
// Lets InnoDB fill an empty table in bulk (sorted pages, one undo record for the table), which it
// does only without unique and foreign key checks; and sets the checks back. The rows that fill a
// table made LIKE the chosen one are some of the chosen table's rows, which meet its keys already.
// Measured at 3,000,000 rows: the fill 7.1 s with the checks, 5.3 s without, and the deletes that
// follow 0.12 s against 0.09 s a batch.
QString BulkFillStatement(bool bulk);

// A look reads the chosen table in one read-only transaction, as of its start, without locks.
QString SnapshotStatement();
QString EndSnapshotStatement();
// Sets the session's time zone (before the preview, back to the zone the run found).
QString TimeZoneStatement(const QString& zone);
// The grids' reading of a whole table (the new table after a run, the chosen table after "< Back"),
// a part at a time in the order of `SELECT * FROM table;`: "SELECT * FROM `t` LIMIT first, rows;",
// and "SELECT COUNT(*) FROM `t`;" when `rows` is not known.
QString TablePartQuery(const QString& table, long first, long rows);
db::TableParts TablePartsOf(const QString& table, std::optional<long> rows = std::nullopt);
// Counts the rows of a table: for a grid over a whole table, and for a server that does not count
// the rows its rebuild carried over.
QString RowCountQuery(const QString& table);

}  // namespace tarnwick::engine
