#include "engine/DryRun.h"

#include "app/core/GuardedProcedure.h"
#include "app/core/Require.h"
#include "db/Connection.h"
#include "engine/KeyScan.h"
#include "engine/KeySlices.h"
#include "engine/RemovalReport.h"
#include "engine/RunLines.h"
#include "engine/SessionPins.h"
#include "engine/Statements.h"
#include "engine/TableSurvey.h"
#include "engine/WorkingConnection.h"

namespace tarnwick::engine {

using app::Require;

DryRun::DryRun(app::GuardedProcedure& procedure, YieldCallback yield)
    : proc_(procedure), yield_(std::move(yield)) {
    proc_.Step(run_line::kCreateConnection, [&] { connection_ = db::Connection::Create(); });
    proc_.Step(run_line::kCreateKeyReader, [&] {
        search_ = std::make_unique<DuplicateSearch>(proc_, [this] {
            YieldNow(yield_);
            if (!onProgress_) return;
            RunProgress progress;
            progress.step = search_->Comparing() ? RunProgress::Step::Comparing
                                                 : RunProgress::Step::ReadingKeys;
            progress.rowsRead = search_->RowsReadSoFar();
            onProgress_(progress);
        });
    });
}

DryRun::~DryRun() = default;

LookOutcome DryRun::Look(const RunInputs& inputs, size_t largestGroups) {
    LookOutcome outcome;
    bool reading = false;  // the key reading has begun
    const int failuresBefore = proc_.FailureCount();
    const auto concluded = [&] {
        outcome.stoppedBeforeReading =
            !outcome.refusal && !outcome.complete && outcome.rows == 0 && !reading;
        outcome.firstFailedLine = proc_.FirstFailedLineAfter(failuresBefore);
        return outcome;
    };
    if (auto refusal = RefusalWithoutServer(inputs)) {
        outcome.refusal = std::move(refusal);
        return outcome;
    }
    OpenWorkingConnection(proc_, run_line::kCursorLocation, connection_, inputs.settings);
    if (!connection_ || !connection_->IsOpen() || !search_) return concluded();
    std::optional<SessionFacts> session;
    proc_.Step(run_line::kPinSession, [&] {
        db::Connection& connection = Require(connection_);
        // A plain read at any level but SERIALIZABLE takes no locks.
        connection.SetTransactionIsolation(SQL_TXN_REPEATABLE_READ);
        session = PinSession(connection, SessionUse::Run);
    });
    if (!session) return concluded();
    std::optional<TableSurvey> survey;
    proc_.Step(run_line::kSurvey, [&] {
        TableSurvey surveyed = SurveyTables(Require(connection_), inputs, *session);
        if (surveyed.refusal) {
            outcome.refusal = std::move(surveyed.refusal);
            return;
        }
        survey = std::move(surveyed);
    });
    if (outcome.refusal || !survey) return concluded();

    bool snapshot = false;
    proc_.Step(run_line::kSnapshot, [&] {
        Require(connection_).ExecuteCounted(SnapshotStatement());
        snapshot = true;
    });
    if (!snapshot) return concluded();

    reading = true;
    outcome.namedByKey = NamingColumn(*survey).has_value();
    SearchChoices choices{inputs.keep, true, largestGroups, {}};
    if (report_) {
        choices.onRemoval = [&](const Removal& removal) {
            report_->Write(removal, outcome.namedByKey);
        };
    }
    const KeyColumns columns = KeyQueryColumns(*survey, true);
    const DuplicateSearch::Found found = search_->Search(
        [&]() -> std::unique_ptr<KeyRows> {
            if (survey->orderKey) {
                auto slices = std::make_unique<KeySlices>(
                    connection_, KeySlices::Query{inputs.chosenTable, *survey->orderKey, columns});
                slices->Open();
                return slices;
            }
            return std::make_unique<KeyScan>(connection_, inputs.chosenTable, columns,
                                             survey->order);
        },
        DuplicateSearch::kRowsUnknown, choices);
    proc_.Step(run_line::kEndSnapshot,
               [&] { Require(connection_).ExecuteCounted(EndSnapshotStatement()); });
    if (report_ && found.complete) report_->Flush();
    outcome.rows = found.rowsRead;
    outcome.rowsToGo = static_cast<int64_t>(found.laterIds.size());
    outcome.groups = found.groups;
    outcome.largest = found.largest;
    outcome.complete = found.complete;
    return concluded();
}

}  // namespace tarnwick::engine
