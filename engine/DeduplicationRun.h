#pragma once

#include <QString>
#include <QStringList>
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
#include "engine/RepeatScreen.h"
#include "engine/SessionPins.h"
#include "engine/TableSurvey.h"
#include "engine/YieldCallback.h"

namespace tarnwick::engine {

// What a run works on, taken once when it starts: later edits on the pages do not reach it.
struct RunInputs {
    db::ConnectionSettings settings;
    QString chosenTable;
    QString keyFieldList;  // e.g. "`name`, `city`" (BuildKeyFieldList)
    QString newTableName;
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

    int firstFailedLine = 0;  // the line of the run's first failing step; 0 when none failed
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

// The names a run works under: the scratch table that the result is built in, and the name that
// a replaced table of the new name carries until it is dropped. Unique to each run.
struct ScratchNames {
    QString scratch;
    QString retired;
};
ScratchNames NewScratchNames();

// The temporary column that numbers the copied rows while the run works.
inline constexpr char16_t kTemporaryColumn[] = u"TEMP_COLUMN_CREATED_BY_QUARNETT";
// The most characters the server takes in a table name.
inline constexpr qsizetype kMaxTableNameLength = 64;
// Numbers per DELETE statement. Measured at 1,000,000 rows with 300,000 duplicates (scripts/bench
// --delete-batches): 1000 took 1.07 s, 5000 0.99 s, 10000 0.87 s, 20000 0.99 s, about what one
// server-side DELETE ... JOIN of the same rows takes (1.06 s): past a few thousand the server's
// work per row is all that is left. MariaDB stops using the primary key for a list of 50000 values
// and reads the whole table per statement instead; 10000 keeps well below that.
inline constexpr int kDeleteBatchSize = 10000;

// Why the run must not start with these inputs, or nothing: a new table name that is blank, the
// chosen table's own name (letter case ignored), or one the server cannot take (longer than 64
// characters, ending in a blank, holding a NUL or a character beyond the Basic Multilingual
// Plane); a key field list that names no field. Needs no server: the run's survey refuses the
// rest (TableSurvey.h) over the run's own connection.
std::optional<QString> RefusalWithoutServer(const RunInputs& inputs);

// The statements of a run, in the order they are sent. Up to the Drop key, the run names its
// scratch table where these name the new table.
QString DropStatement(const QString& newTable);
// With `columns`, the copy names them instead of "*" (a table with INVISIBLE columns).
QString CopyStatement(const QString& newTable, const QString& chosenTable,
                      const QStringList& columns = {});
QString AddKeyStatement(const QString& newTable);
QString KeyQuery(const QString& keyFieldList, const QString& newTable);
// The numbers are the temporary column's values of the rows to delete.
QString DeleteStatement(const QString& newTable, const std::vector<uint32_t>& numbers);
// How many of `numbers`, from `first` on, go into one delete: at most kDeleteBatchSize, and no
// more than keep the statement within `maxStatementBytes` (UTF-8). At least one.
size_t DeleteBatchLength(const QString& newTable, const std::vector<uint32_t>& numbers,
                         size_t first, uint64_t maxStatementBytes);
QString DropKeyStatement(const QString& newTable);
// The swap: the finished scratch table takes the new name, in one statement; a table of that name
// moves aside to `retired` at the same moment, and is dropped after.
QString RenameStatement(const QString& scratch, const QString& newTable);
QString SwapStatement(const QString& scratch, const QString& newTable, const QString& retired);
QString DropRetiredStatement(const QString& retired);
QString PreviewQuery(const QString& newTable);
// Counts the rows of a table, for a server that does not count the rows its rebuild carried over.
QString RowCountQuery(const QString& table);

// The deduplication run: creates the new table as a copy of the chosen table without the later
// rows of each group of equal keys. The chosen table is only read, without locks: the run's
// connection works at READ COMMITTED, so the copy is a consistent read that other sessions'
// writes neither wait for nor deadlock with (a server that logs statements in its binary log
// cannot copy at that level, and the run keeps the server's own level there).
//
// Before it changes anything the run sets the session state it relies on (SessionPins.h) and
// surveys the server over its own connection; inputs the server cannot serve are refused then
// (RunOutcome::refusal). The copy is built under a scratch name of the run's own, and only a
// complete result takes the new name, in one RENAME TABLE; a table of that name is dropped only
// after that. A run that fails or is interrupted leaves a table of the new name as it was, and
// leaves its scratch table.
//
// The rows are numbered in the copy first, and the keys are read from the copy with those numbers,
// in their order: the deletes name the numbers the server gave. The run checks its counts against
// the server's: the keys read are the rows copied, each delete removes the rows it names, and the
// rows left are those copied less those removed. A count that differs is a failed step, and the
// result is then not swapped in.
//
// Every step is one guarded step of the procedure the caller passes (the result page's Finish,
// or the command-line run under the same tag), numbered as the error report names it.
class DeduplicationRun {
  public:
    // Creates the connection object, the row set object and the empty key list (lines 100 to 104).
    DeduplicationRun(app::GuardedProcedure& procedure, YieldCallback yield);

    // Carries out the run from opening the connection to opening the preview (lines 112 to 178).
    // Inputs refused without the server send nothing; inputs the survey refuses send nothing that
    // changes a table. Either way the outcome carries the refusal and no step is reported.
    RunOutcome Run(const RunInputs& inputs);

  private:
    // What the run has achieved so far; each later step asks for what it needs.
    struct Progress {
        bool readCommitted = false;   // the session works at READ COMMITTED
        bool pinned = false;          // the session state the run relies on is set
        bool copied = false;          // the scratch table holds the copy
        bool numbered = false;        // the copy carries the temporary column
        bool keysTrusted = false;     // every key was read, and as many as rows were copied
        bool deletesComplete = true;  // every delete sent removed exactly the rows it named
        bool keyDropped = false;      // the temporary column is gone, the rows left as counted
        bool swapped = false;         // the new name holds the result
    };

    void UseReadCommitted();
    void PinSession();
    void BuildCopy(const RunInputs& inputs, const QString& scratch);
    void Copy(const RunInputs& inputs, const QString& scratch);
    void ReadKeysAndFindDuplicates(const RunInputs& inputs);
    void ConfirmRepeatedKeys();
    void DeleteDuplicates(const RunInputs& inputs);
    void DropKey(const RunInputs& inputs);
    void SwapIn(const RunInputs& inputs, const ScratchNames& names);
    void Conclude(int failuresBefore);
    void RequireNumberedCopy(const RunInputs& inputs) const;
    void RequireSurvey() const;
    // Sends a statement whose result is not read and returns the rows it affected; notes a lost
    // connection before passing a failure on.
    int64_t Send(const QString& statement);

    app::GuardedProcedure& proc_;
    YieldCallback yield_;
    std::shared_ptr<db::Connection> connection_;
    std::optional<db::KeyCursor> keys_;
    RepeatScreen screen_;            // the first reading of the keys
    DuplicateDetector detector_;     // the second
    std::vector<uint32_t> numbers_;  // the temporary column's values of the rows to delete
    std::optional<SessionFacts> session_;
    std::optional<TableSurvey> survey_;
    SQLULEN serverIsolation_ = 0;  // the session's own level, before the run changed it
    Progress progress_;
    RunOutcome outcome_;
};

}  // namespace tarnwick::engine
