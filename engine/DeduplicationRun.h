#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "app/GuardedProcedure.h"
#include "db/Connection.h"
#include "db/ConnectionSettings.h"
#include "db/KeyCursor.h"
#include "db/RowSet.h"
#include "engine/DuplicateFinder.h"
#include "engine/YieldCallback.h"

namespace tarnwick::engine {

// What a run works on, taken once when it starts: later edits on the pages do not reach it.
struct RunInputs {
    db::ConnectionSettings settings;
    QString chosenTable;
    QString keyFieldList;  // e.g. "`name`, `city`" (BuildKeyFieldList)
    QString newTableName;
};

struct RunOutcome {
    // The new table's rows for the grid; it keeps the run's connection alive. Null when the
    // preview could not be opened.
    std::shared_ptr<db::RowSet> preview;
    int64_t rowsRead = 0;           // rows of the key query
    int64_t duplicatesFound = 0;    // rows whose key repeats an earlier row's
    int64_t duplicatesRemoved = 0;  // of those, the rows in delete statements that succeeded
};

// The temporary column that numbers the copied rows while the run works.
inline constexpr char16_t kTemporaryColumn[] = u"TEMP_COLUMN_CREATED_BY_QUARNETT";
// Positions per DELETE statement. Measured at 1,000,000 rows with 300,000 duplicates (scripts/bench
// --delete-batches): 1000 took 1.07 s, 5000 0.99 s, 10000 0.87 s, 20000 0.99 s, about what one
// server-side DELETE ... JOIN of the same rows takes (1.06 s): past a few thousand the server's
// work per row is all that is left. MariaDB stops using the primary key for a list of 50000 values
// and reads the whole table per statement instead; 10000 keeps well below that.
inline constexpr int kDeleteBatchSize = 10000;

// Why a new table name cannot be used, or nothing when it can: an empty or blank name, or the
// chosen table's own name (letter case ignored) which the run's first statement would drop.
std::optional<QString> RefusalOf(const RunInputs& inputs);

// The statements of a run, in the order they are sent.
QString DropStatement(const QString& newTable);
QString CopyStatement(const QString& newTable, const QString& chosenTable);
QString AddKeyStatement(const QString& newTable);
QString KeyQuery(const QString& keyFieldList, const QString& newTable);
QString DeleteStatement(const QString& newTable, const std::vector<int32_t>& positions);
QString DropKeyStatement(const QString& newTable);
QString PreviewQuery(const QString& newTable);

// The deduplication run: creates the new table as a copy of the chosen table without the later
// rows of each group of equal keys. The chosen table is only read.
//
// Every step is one guarded step of the procedure the caller passes (the result page's Finish,
// or the command-line run under the same tag), numbered as the error report names it. The rows
// are numbered in the copy first and the keys are read from the copy in that order, so the
// positions found are exactly the numbers of the rows to delete.
class DeduplicationRun {
  public:
    // Creates the connection object, the row set object and the empty key list (lines 100 to 104).
    DeduplicationRun(app::GuardedProcedure& procedure, YieldCallback yield);

    // Carries out the run from opening the connection to opening the preview (lines 112 to 178).
    // A refused name sends nothing and returns an empty outcome; check RefusalOf first.
    RunOutcome Run(const RunInputs& inputs);

  private:
    void ReadKeysAndFindDuplicates(const RunInputs& inputs);
    void DeleteDuplicates(const RunInputs& inputs);
    void RequireNumberedCopy(const RunInputs& inputs) const;

    app::GuardedProcedure& proc_;
    YieldCallback yield_;
    std::shared_ptr<db::Connection> connection_;
    std::optional<db::KeyCursor> keys_;
    DuplicateDetector detector_;
    std::vector<int32_t> positions_;
    bool numberedCopy_ = false;  // the copy exists and carries the temporary column
    RunOutcome outcome_;
};

}  // namespace tarnwick::engine
