#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <optional>

#include "db/ConnectionSettings.h"

namespace tarnwick::db {
class RowSet;
}

namespace tarnwick::engine {

// How the run builds the new table. Both keep the same rows.
enum class RunPlan {
    // Copy, number the copied rows in a temporary primary key column, delete by it, drop it: the
    // new table is a plain copy of the rows and columns, without any key.
    Wizard,
    // Fewer writes of the table: a copy that keeps the chosen table's primary key, deleting by
    // it, when that key gives the rows in the order the copy reads them; otherwise a copy that
    // numbers its rows as it makes them, in a column dropped again without a rebuild.
    Fast,
};

// How two rows' key fields compare.
enum class Comparison {
    // Every value as its exact text: letter case and trailing blanks count.
    Exact,
    // Each text field as the server compares it under the column's collation (as GROUP BY does):
    // letter case as the collation says, and trailing blanks not at all unless it is NO PAD.
    Collation,
};

// Which row of each group of equal keys stays, in the table's order.
enum class KeepRow { First, Last };

// What a run works on, taken once when it starts: later edits on the pages do not reach it.
struct RunInputs {
    db::ConnectionSettings settings;
    QString chosenTable;
    QStringList keyFields;  // the names of the key fields, in the order they were chosen
    QString newTableName;   // empty only for a look without a new table (DryRun)
    RunPlan plan = RunPlan::Wizard;
    Comparison compare = Comparison::Exact;
    KeepRow keep = KeepRow::First;
    // Only a look: nothing is written (DryRun).
    bool dryRun = false;
    // The new table gets the chosen table's whole definition, as CREATE TABLE ... LIKE gives it
    // (its keys, AUTO_INCREMENT, indexes, comments, engine, partitioning), not only its columns.
    bool keepStructure = false;
};

// Where the run's work is when it ends, as far as the run knows.
enum class ResultPlace {
    Nowhere,         // no table was created; a table of the new name is as it was
    ScratchUnknown,  // the connection was lost during the copy: whether the scratch table exists
                     // is not known; a table of the new name is as it was
    Scratch,         // the scratch table holds the work; a table of the new name is as it was
    SwapUnknown,     // the connection was lost while the result was swapped in: whether the new
                     // name holds it or the scratch table still does is not known
    NewTable,        // the new name holds the complete result
};

struct RunOutcome {
    // Why the run did not start: the inputs or the server are such that it cannot give the right
    // rows, or would change what it must not. Nothing that changes a table was sent; the caller
    // tells the user (this is no failure of a step).
    std::optional<QString> refusal;
    // The new table's rows for the grid; it keeps the run's connection alive. Null when the
    // preview could not be opened.
    std::shared_ptr<db::RowSet> preview;
    int64_t rowsCopied = 0;         // rows the copy made, as the server counted them
    int64_t rowsRead = 0;           // rows of the key query
    int64_t duplicatesFound = 0;    // rows whose key repeats an earlier row's
    int64_t duplicatesRemoved = 0;  // rows the server reported removed by the deletes
    // With keepStructure: what the new table does not get of the chosen table's.
    int foreignKeysLeft = 0;
    int triggersLeft = 0;

    int firstFailedLine = 0;  // the line of the run's first failing step; 0 when none failed
    // A step failed before anything changed (the connection, the session, the survey): it was
    // reported, and the run went no further.
    bool stoppedBeforeChange = false;
    ResultPlace place = ResultPlace::Nowhere;
    bool connectionLost = false;       // a statement failed because the connection was gone
    bool temporaryColumnLeft = false;  // the scratch table still has the temporary column
    QString scratchTable;              // the name the result was built under, unique to the run
    QString retiredTable;  // set when the table that the result replaced could not be dropped:
                           // it is kept under this name

    bool Refused() const { return refusal.has_value(); }
    bool Succeeded() const { return !refusal && firstFailedLine == 0; }
    int64_t RowsKept() const { return rowsCopied - duplicatesRemoved; }
};

}  // namespace tarnwick::engine
