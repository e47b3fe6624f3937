#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "app/core/GuardedProcedure.h"
#include "db/ConnectionSettings.h"
#include "db/RowSet.h"
#include "db/StatementObserver.h"
#include "engine/DeduplicationRun.h"
#include "engine/Statements.h"
#include "tests/support/RecordingMessageBoxService.h"

namespace tarnwick::test {

// One run as the result page's Finish makes it, with every statement and report recorded.
struct RecordedRun {
    engine::RunOutcome outcome;
    QStringList statements;
    std::vector<int> reportedLines;
    QStringList reports;
};

// How a recorded run is made beyond its inputs: its plan, and slices of the key query other than
// the run's own (0: the run's own).
struct RunTuning {
    engine::RunPlan plan = engine::RunPlan::Wizard;
    int64_t sliceBytes = 0;
    int64_t firstSliceRows = 0;
    bool keepStructure = false;
};

inline RecordedRun RunDedupe(const db::ConnectionSettings& settings, const QString& table,
                             const QStringList& keys, const QString& newTable,
                             const engine::YieldCallback& yield = {},
                             const RunTuning& tuning = {}) {
    RecordingMessageBoxService boxes;
    RecordedRun recorded;
    db::StatementObserverScope observer([&](const QString& s) { recorded.statements << s; });
    app::GuardedProcedure proc("Form4.PushButton4_Click");
    engine::DeduplicationRun run(proc, yield);
    if (tuning.sliceBytes > 0) run.SetSliceSize(tuning.sliceBytes, tuning.firstSliceRows);
    engine::RunInputs inputs{settings, table, keys, newTable, tuning.plan};
    inputs.keepStructure = tuning.keepStructure;
    recorded.outcome = run.Run(inputs);
    for (const auto& box : boxes.boxes) {
        recorded.reports << box.text;
        const qsizetype at = box.text.indexOf("at line ");
        recorded.reportedLines.push_back(box.text.mid(at + 8, 3).toInt());
    }
    return recorded;
}

// The run's scratch table, quoted as its statements name it.
inline QString Scratch(const RecordedRun& run) {
    return "`" + run.outcome.scratchTable + "`";
}

// The table that steps aside for the result, quoted.
inline QString Retired(const RecordedRun& run) {
    return Scratch(run).replace("tarnwick_scratch_", "tarnwick_retired_");
}

}  // namespace tarnwick::test
