#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "engine/RunInputs.h"
#include "engine/RunProgress.h"
#include "engine/SessionPins.h"
#include "engine/TableSurvey.h"
#include "engine/YieldCallback.h"

namespace tarnwick::app {
class GuardedProcedure;
}
namespace tarnwick::db {
class Connection;
}

namespace tarnwick::engine {

class DuplicateSearch;
class RemovalReport;

// The names a run works under: the scratch table that the result is built in, and the name that
// a replaced table of the new name carries until it is dropped. Unique to each run.
struct ScratchNames {
    QString scratch;
    QString retired;
    QString
        shaped;  // with keepStructure: the table made like the chosen one, when it is made apart
};
ScratchNames NewScratchNames();

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
// in their order (DuplicateSearch): the deletes name the numbers the server gave. The run checks
// its counts against the server's: the keys read are the rows copied, each delete removes the rows
// it names, and the rows left are those copied less those removed. A count that differs is a failed
// step, and the result is then not swapped in.
//
// Every step is one guarded step of the procedure the caller passes (the result page's Finish,
// or the command-line run under the same tag), numbered as the error report names it.
class DeduplicationRun {
  public:
    // Creates the connection object, the row set object and the empty key list (lines 100 to 104).
    DeduplicationRun(app::GuardedProcedure& procedure, YieldCallback yield);
    ~DeduplicationRun();

    // Carries out the run from opening the connection to opening the preview (lines 112 to 178).
    // Inputs refused without the server send nothing; inputs the survey refuses send nothing that
    // changes a table. Either way the outcome carries the refusal and no step is reported.
    RunOutcome Run(const RunInputs& inputs);

    // Whether the run ends by opening the new table for the grid (line 178): the result page's
    // run does; the command line's, which shows no rows, does not read them.
    void SetOpensPreview(bool opens) { opensPreview_ = opens; }

    // Tells `progress` how far the run has come, as it works.
    void SetProgress(ProgressCallback progress) { onProgress_ = std::move(progress); }

    // Writes each row that the run removes to `report` (null: none), before the deletes.
    void SetReport(RemovalReport* report) { report_ = report; }

    // The bytes of values one slice of the key query aims at, and the rows of its first slice
    // (KeySlices); smaller values make tests read many slices.
    void SetSliceSize(int64_t bytes, int64_t firstRows) {
        sliceBytes_ = bytes;
        firstSliceRows_ = firstRows;
    }

  private:
    // What the run has achieved so far; each later step asks for what it needs.
    struct Progress {
        bool readCommitted = false;   // the session works at READ COMMITTED
        bool pinned = false;          // the session state the run relies on is set
        bool copied = false;          // the scratch table holds the copy
        bool numbered = false;        // the copy's rows carry row ids (the temporary column, or
                                      // the chosen table's key that the copy kept)
        bool keptKey = false;         // the row ids are the chosen table's primary key
        bool keysTrusted = false;     // every key was read, and as many as rows were copied
        bool deletesComplete = true;  // every delete sent removed exactly the rows it named
        bool keyDropped = false;      // the temporary column is gone, the rows left as counted
        bool shaped = false;          // with keepStructure: the result has the chosen table's
                                      // definition
        bool swapped = false;         // the new name holds the result
    };

    void UseReadCommitted();
    void PinSession();
    void BuildCopy(const RunInputs& inputs, const QString& scratch);
    void Copy(const RunInputs& inputs, const QString& scratch);
    void FindDuplicates(const RunInputs& inputs);
    void DeleteDuplicates(const RunInputs& inputs);
    void DropKey(const RunInputs& inputs);
    // With keepStructure: gives the result the chosen table's definition (lines 192 to 198).
    void Shape(const RunInputs& inputs, const ScratchNames& names);
    void SwapIn(const RunInputs& inputs, const ScratchNames& names);
    void OpenPreview(const RunInputs& inputs);
    void Conclude(int failuresBefore);
    // Ends a run whose step failed before anything changed.
    RunOutcome Stop(int failuresBefore);
    void RequireNumberedCopy(const RunInputs& inputs) const;
    // Sends a statement whose result is not read and returns the rows it affected; notes a lost
    // connection before passing a failure on.
    int64_t Send(const QString& statement);
    // Notes the step that begins, and tells the progress callback.
    void Begin(RunProgress::Step step);
    // Yields, and tells the progress callback how far the run has come.
    void Tick();

    app::GuardedProcedure& proc_;
    YieldCallback yield_;
    std::shared_ptr<db::Connection> connection_;
    std::unique_ptr<DuplicateSearch> search_;  // the key reader and the comparison
    // The column that tells the copied rows apart (the temporary column, or the chosen table's
    // primary key that the fast plan's copy keeps), and its values of the rows to delete, in
    // ascending order (the deletes take them highest first): 64-bit patterns of signed or
    // unsigned numbers, as the column holds them.
    QString idColumn_;
    std::vector<uint64_t> ids_;
    bool signedIds_ = false;
    bool opensPreview_ = true;
    RemovalReport* report_ = nullptr;
    // The table that holds the result: the scratch table, or the shaped one once it took over.
    QString result_;
    bool shapedFromStart_ = false;  // the copy was made like the chosen table (keepStructure)
    ProgressCallback onProgress_;
    RunProgress progressLine_;
    int64_t sliceBytes_;  // KeySlices' own unless a test sets them
    int64_t firstSliceRows_;
    std::optional<SessionFacts> session_;
    std::optional<TableSurvey> survey_;
    uint64_t serverIsolation_ = 0;  // the session's own level, before the run changed it
    Progress progress_;
    RunOutcome outcome_;
};

}  // namespace tarnwick::engine
