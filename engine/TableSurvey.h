#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "engine/RunInputs.h"
#include "engine/Statements.h"
#include "engine/TableOrder.h"
#include "engine/TableStructure.h"

namespace tarnwick::db {
class Connection;
}

namespace tarnwick::engine {

class SessionFacts;

// What the run must know of the server's tables before it sends anything that changes one.
struct TableSurvey {
    // Every column of the chosen table, in order, when it has INVISIBLE columns (which
    // "SELECT *" leaves out, so the copy must name them all); empty when "SELECT *" copies them
    // all.
    QStringList copyColumns;
    // The key fields as the key query reads them: by the column's collation where the comparison
    // asks for it and the column holds text.
    std::vector<KeyField> keyFields;
    // A table of the new name exists: the finished result replaces it.
    bool newNameTaken = false;
    // The chosen table's order: its primary key as declared (empty for a view or a table without
    // one). Every copy reads the table in this order.
    TableOrder order;
    // For the fast plan and a look: the chosen table's primary key column when the copy can keep it
    // as its own key and delete by it, the key's order being the table's: a primary key of one
    // column of whole numbers, declared ascending. Empty otherwise: the fast plan then numbers the
    // copied rows as it makes them.
    std::optional<QString> orderKey;
    // With keepStructure: the chosen table's definition, and how many triggers it has (which the
    // new table does not get).
    std::optional<TableStructure> structure;
    int triggers = 0;
    // Why the run must not start, in words for the user: the server requires a primary key on
    // every table (unless the fast plan keeps the chosen table's key); the new name names a view,
    // or a table that the chosen view reads from (directly or through other views), which replacing
    // it would change; a key field is not a field of the chosen table; the chosen table already has
    // a column of the temporary column's name.
    std::optional<QString> refusal;
};

// The most characters the server takes in a table name.
inline constexpr qsizetype kMaxTableNameLength = 64;
// Why the run must not start with these inputs, or nothing: a new table name that is blank, the
// chosen table's own name (letter case ignored), or one the server cannot take (longer than 64
// characters, ending in a blank, holding a NUL or a character beyond the Basic Multilingual
// Plane); no key field. Needs no server: the survey (SurveyTables) refuses
// the rest over the run's own connection.
std::optional<QString> RefusalWithoutServer(const RunInputs& inputs);

// The column that names a row in a report: the chosen table's primary key when it is one column.
std::optional<QString> NamingColumn(const TableSurvey& survey);
// What the key query reads: the key fields and, with `labelled` (a report, a look), the labels:
// the naming column when there is one, then the key fields as they are.
KeyColumns KeyQueryColumns(const TableSurvey& survey, bool labelled);

// Whether the run makes a table: every run does but a look without a new name (RunInputs::dryRun).
bool MakesTable(const RunInputs& inputs);

// Reads the survey over an open connection to the run's database, whose session variables
// `session` holds. Throws DbError when a read fails.
TableSurvey SurveyTables(db::Connection& connection, const RunInputs& inputs,
                         const SessionFacts& session);

}  // namespace tarnwick::engine
