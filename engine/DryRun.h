#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "engine/DuplicateSearch.h"
#include "engine/RunInputs.h"
#include "engine/RunProgress.h"
#include "engine/YieldCallback.h"

namespace tarnwick::app {
class GuardedProcedure;
}
namespace tarnwick::db {
class Connection;
}

namespace tarnwick::engine {

class RemovalReport;

// What a look found.
struct LookOutcome {
    // Why the look did not start (RunOutcome::refusal).
    std::optional<QString> refusal;
    int firstFailedLine = 0;
    // A step failed before the reading began (the connection, the session, the survey).
    bool stoppedBeforeReading = false;
    int64_t rows = 0;         // rows read
    int64_t rowsToGo = 0;     // rows whose key repeats a row that stays
    int64_t groups = 0;       // groups of two rows or more
    bool namedByKey = false;  // rows are named by their primary key's value (else by position)
    // The largest groups, the most rows first; each kept row's label holds its naming column's
    // value when `namedByKey`, then the key values.
    std::vector<DuplicateSearch::Found::Group> largest;
    bool complete = false;  // every key was read and compared

    bool Refused() const { return refusal.has_value(); }
    int64_t DistinctKeys() const { return rows - rowsToGo; }
};

// A look at what a run would remove, changing nothing: the same connection, session and survey as
// the run (a look without a new name checks only what reading needs), then the chosen table's keys
// read once in one read-only transaction, as of its start and without locks, and compared as the
// run compares them. A table whose primary key is one ascending column of whole numbers is read in
// slices by it, with the run's bounded memory; any other in one statement in the table's order,
// whose whole result the driver holds (its rows named by their positions).
class DryRun {
  public:
    DryRun(app::GuardedProcedure& procedure, YieldCallback yield);
    ~DryRun();

    // Tells `progress` how far the look has come, as it reads.
    void SetProgress(ProgressCallback progress) { onProgress_ = std::move(progress); }

    // Writes each row that would go to `report` (null: none).
    void SetReport(RemovalReport* report) { report_ = report; }

    LookOutcome Look(const RunInputs& inputs, size_t largestGroups);

  private:
    app::GuardedProcedure& proc_;
    YieldCallback yield_;
    std::shared_ptr<db::Connection> connection_;
    std::unique_ptr<DuplicateSearch> search_;
    RemovalReport* report_ = nullptr;
    ProgressCallback onProgress_;
};

}  // namespace tarnwick::engine
