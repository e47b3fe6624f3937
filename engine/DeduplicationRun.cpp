#include "engine/DeduplicationRun.h"

#include <QDateTime>
#include <QRandomGenerator>
#include <algorithm>

#include "app/core/FailureDescription.h"
#include "app/core/GuardedProcedure.h"
#include "app/core/Require.h"
#include "db/Connection.h"
#include "db/DbError.h"
#include "db/Identifier.h"
#include "db/RowSet.h"
#include "engine/DuplicateSearch.h"
#include "engine/KeySlices.h"
#include "engine/RemovalReport.h"
#include "engine/RunLines.h"
#include "engine/Statements.h"
#include "engine/WorkingConnection.h"

namespace tarnwick::engine {

using app::Require;
namespace {

QString TemporaryColumn() {
    return QString::fromUtf16(kTemporaryColumn);
}

// ER_BINLOG_STMT_MODE_AND_ROW_ENGINE: the server writes statements to its binary log and cannot
// log a statement that InnoDB runs at READ COMMITTED.
constexpr int kStatementLogRefusesReadCommitted = 1665;
// ER_SPECIFIC_ACCESS_DENIED_ERROR: the account lacks SUPER or BINLOG ADMIN, which choosing the
// session's binary log format takes.
constexpr int kNeedsBinlogAdmin = 1227;

}  // namespace

ScratchNames NewScratchNames() {
    const QString suffix =
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddHHmmss")) + u'_' +
        QStringLiteral("%1").arg(static_cast<qulonglong>(QRandomGenerator::system()->generate64()),
                                 16, 16, QChar(u'0'));
    return {QStringLiteral("tarnwick_scratch_") + suffix,
            QStringLiteral("tarnwick_retired_") + suffix,
            QStringLiteral("tarnwick_shaped_") + suffix};
}

DeduplicationRun::DeduplicationRun(app::GuardedProcedure& procedure, YieldCallback yield)
    : proc_(procedure),
      yield_(std::move(yield)),
      sliceBytes_(KeySlices::kSliceBytes),
      firstSliceRows_(KeySlices::kFirstSliceRows) {
    proc_.Step(run_line::kCreateConnection, [&] { connection_ = db::Connection::Create(); });
    proc_.Step(run_line::kCreateKeyReader,
               [&] { search_ = std::make_unique<DuplicateSearch>(proc_, [this] { Tick(); }); });
    proc_.Step(run_line::kEmptyNumbers, [&] { ids_.clear(); });
}

DeduplicationRun::~DeduplicationRun() = default;

RunOutcome DeduplicationRun::Run(const RunInputs& inputs) {
    outcome_ = {};
    idColumn_ = TemporaryColumn();
    ids_.clear();
    signedIds_ = false;
    session_.reset();
    survey_.reset();
    progress_ = {};
    progressLine_ = {};
    if (auto refusal = RefusalWithoutServer(inputs)) {
        outcome_.refusal = std::move(refusal);
        return outcome_;
    }
    const int failuresBefore = proc_.FailureCount();
    Begin(RunProgress::Step::Starting);
    const ScratchNames names = NewScratchNames();
    outcome_.scratchTable = names.scratch;
    // Up to the Drop key every statement names the scratch table instead of the new one.
    RunInputs scratchInputs = inputs;
    scratchInputs.newTableName = names.scratch;

    // Until the survey has passed nothing has changed, and a step that fails ends the run after
    // its one report: every later step would only fail in its turn.
    OpenWorkingConnection(proc_, run_line::kCursorLocation, connection_, inputs.settings);
    if (!connection_ || !connection_->IsOpen()) return Stop(failuresBefore);
    UseReadCommitted();
    PinSession();
    if (!progress_.pinned) return Stop(failuresBefore);
    proc_.Step(run_line::kSurvey, [&] {
        TableSurvey survey = SurveyTables(*connection_, inputs, *session_);
        if (survey.refusal) {
            outcome_.refusal = std::move(survey.refusal);
            return;
        }
        survey_ = std::move(survey);
    });
    if (outcome_.refusal) return outcome_;
    if (!survey_) return Stop(failuresBefore);

    result_ = names.scratch;
    if (survey_->structure) {
        outcome_.foreignKeysLeft = survey_->structure->foreignKeys;
        outcome_.triggersLeft = survey_->triggers;
    }
    BuildCopy(inputs, names.scratch);
    Begin(RunProgress::Step::ReadingKeys);
    FindDuplicates(scratchInputs);
    progressLine_.rowsToDelete = static_cast<int64_t>(ids_.size());
    Begin(RunProgress::Step::Deleting);
    DeleteDuplicates(scratchInputs);
    Begin(RunProgress::Step::Finishing);
    DropKey(scratchInputs);
    if (survey_->structure) Shape(inputs, names);
    SwapIn(inputs, names);
    if (opensPreview_) OpenPreview(inputs);
    Conclude(failuresBefore);
    return outcome_;
}

RunOutcome DeduplicationRun::Stop(int failuresBefore) {
    outcome_.stoppedBeforeChange = true;
    Conclude(failuresBefore);
    return outcome_;
}

void DeduplicationRun::OpenPreview(const RunInputs& inputs) {
    proc_.Step(run_line::kPreview, [&] {
        if (!progress_.swapped) {
            throw app::FollowUp(
                QStringLiteral("Not opened: %1 does not hold the result of this run.")
                    .arg(db::QuoteIdentifier(inputs.newTableName)));
        }
        // The run read TIMESTAMPs in UTC; the grid shows them in the zone the session had, as
        // the field page's grid and the user's other clients do.
        const std::optional<QString> zone =
            session_ ? session_->Value(QStringLiteral("time_zone")) : std::nullopt;
        if (zone) Send(TimeZoneStatement(*zone));
        // The grid reads the table a part at a time; the run knows how many rows it kept when
        // every step that changed rows counted them.
        std::optional<long> kept;
        if (progress_.copied && progress_.deletesComplete && progress_.keyDropped)
            kept = static_cast<long>(outcome_.RowsKept());
        auto preview = std::make_shared<db::RowSet>();
        preview->OpenInParts(TablePartsOf(inputs.newTableName, kept), connection_);
        outcome_.preview = std::move(preview);
    });
}

void DeduplicationRun::UseReadCommitted() {
    proc_.Step(run_line::kReadCommitted, [&] {
        db::Connection& connection = Require(connection_);
        serverIsolation_ = connection.TransactionIsolation();
        connection.SetTransactionIsolation(SQL_TXN_READ_COMMITTED);
        progress_.readCommitted = true;
    });
}

void DeduplicationRun::PinSession() {
    proc_.Step(run_line::kPinSession, [&] {
        db::Connection& connection = Require(connection_);
        session_ = engine::PinSession(connection, SessionUse::Run);
        // A binary log that takes statements cannot log a copy made at READ COMMITTED: where the
        // account may, this session's log takes rows instead. Where it may not, the copy keeps
        // the server's own level, and its read locks (Copy).
        if (progress_.readCommitted && session_->IsOn(QStringLiteral("log_bin")) &&
            session_->Value(QStringLiteral("binlog_format")) == u"STATEMENT") {
            try {
                Send(RowLoggingStatement());
            } catch (const db::DbError& failure) {
                if (failure.NativeError() != kNeedsBinlogAdmin) throw;
            }
        }
        progress_.pinned = true;
    });
}

void DeduplicationRun::BuildCopy(const RunInputs& inputs, const QString& scratch) {
    proc_.Step(run_line::kDropScratch, [&] { Send(DropStatement(scratch)); });
    Begin(RunProgress::Step::Copying);
    proc_.Step(run_line::kCopy, [&] { Copy(inputs, scratch); });
    progressLine_.rowsExpected = outcome_.rowsCopied;
    Begin(RunProgress::Step::Numbering);
    proc_.Step(run_line::kAddKey, [&] {
        if (!progress_.copied) {
            throw app::FollowUp(
                QStringLiteral("The temporary column was not added: the copy %1 was "
                               "not made.")
                    .arg(db::QuoteIdentifier(scratch)));
        }
        if (inputs.plan == RunPlan::Fast) return;  // the copy numbered its rows itself
        Send(AddKeyStatement(scratch));
        progress_.numbered = true;
    });
}

void DeduplicationRun::Copy(const RunInputs& inputs, const QString& scratch) {
    const TableSurvey& survey = *survey_;
    shapedFromStart_ = survey.structure && inputs.plan == RunPlan::Fast && survey.orderKey;
    QString copy = CopyStatement(scratch, inputs.chosenTable, survey.copyColumns, survey.order);
    idColumn_ = TemporaryColumn();
    if (inputs.plan == RunPlan::Fast) {
        if (survey.orderKey) {
            idColumn_ = *survey.orderKey;
            copy = KeyedCopyStatement(scratch, inputs.chosenTable, survey.copyColumns, idColumn_,
                                      survey.order);
        } else {
            copy = NumberedCopyStatement(scratch, inputs.chosenTable, survey.copyColumns,
                                         survey.order);
        }
    }
    // A copy that keeps the structure and the key: an empty table like the chosen one, without
    // its plain indexes until the rows are final, filled in the key's order.
    if (shapedFromStart_) {
        const TableStructure& structure = *survey.structure;
        Send(LikeStatement(scratch, inputs.chosenTable));
        if (!structure.plainIndexNames.isEmpty())
            Send(DropIndexesStatement(scratch, structure.plainIndexNames));
        copy = FillStatement(scratch, inputs.chosenTable, structure.storedColumns, survey.order);
        Send(BulkFillStatement(true));
    }
    const bool lostBefore = outcome_.connectionLost;
    try {
        try {
            outcome_.rowsCopied = Send(copy);
        } catch (const db::DbError& failure) {
            if (!progress_.readCommitted ||
                failure.NativeError() != kStatementLogRefusesReadCommitted)
                throw;
            // The server's binary log takes statements, which it cannot write for a copy made at
            // READ COMMITTED: this run keeps the server's own level, as any session there does.
            Require(connection_).SetTransactionIsolation(serverIsolation_);
            progress_.readCommitted = false;
            outcome_.rowsCopied = Send(copy);
        }
    } catch (...) {
        if (outcome_.connectionLost && !lostBefore) outcome_.place = ResultPlace::ScratchUnknown;
        throw;
    }
    if (shapedFromStart_) Send(BulkFillStatement(false));
    progress_.copied = true;
    if (inputs.plan == RunPlan::Fast) {
        progress_.numbered = true;
        progress_.keptKey = survey_->orderKey.has_value();
    }
}

void DeduplicationRun::DropKey(const RunInputs& inputs) {
    proc_.Step(run_line::kDropKey, [&] {
        RequireNumberedCopy(inputs);
        const int64_t expected = outcome_.rowsCopied - outcome_.duplicatesRemoved;
        if (progress_.keptKey) {
            // The copy's ids are the chosen table's key, which stays: nothing to drop, and each
            // delete has counted the rows it removed.
            progress_.numbered = false;
            progress_.keyDropped = true;
            return;
        }
        // The drop counts the rows it carries over when it rebuilds the table: the rows left.
        int64_t rowsLeft =
            Send(inputs.plan == RunPlan::Fast ? DropNumberingStatement(inputs.newTableName)
                                              : DropKeyStatement(inputs.newTableName));
        progress_.numbered = false;
        if (rowsLeft == 0 && expected != 0) {
            // A server that rebuilds in place does not count: ask.
            db::Cursor count = Require(connection_).OpenCursor(RowCountQuery(inputs.newTableName));
            rowsLeft = count.Fetch() ? db::NullToDefault(count.Read(0), {}).toLongLong() : -1;
        }
        if (rowsLeft != expected) {
            throw app::Failure(
                QStringLiteral("The new table has %1 rows after the temporary column was dropped, "
                               "but the run copied %2 and removed %3, which leaves %4. The result "
                               "was not given the new name.")
                    .arg(rowsLeft)
                    .arg(outcome_.rowsCopied)
                    .arg(outcome_.duplicatesRemoved)
                    .arg(expected));
        }
        progress_.keyDropped = true;
    });
}

void DeduplicationRun::SwapIn(const RunInputs& inputs, const ScratchNames& names) {
    proc_.Step(run_line::kSwap, [&] {
        // Only a complete result replaces anything.
        const Progress& p = progress_;
        if (!(p.keysTrusted && p.deletesComplete && p.keyDropped) ||
            (survey_->structure && !p.shaped)) {
            throw app::FollowUp(
                QStringLiteral("Not carried out: the result in %1 is not complete, so %2 was not "
                               "replaced.")
                    .arg(db::QuoteIdentifier(result_), db::QuoteIdentifier(inputs.newTableName)));
        }
        const bool lostBefore = outcome_.connectionLost;
        try {
            Send(survey_->newNameTaken ? SwapStatement(result_, inputs.newTableName, names.retired)
                                       : RenameStatement(result_, inputs.newTableName));
        } catch (...) {
            if (outcome_.connectionLost && !lostBefore) outcome_.place = ResultPlace::SwapUnknown;
            throw;
        }
        progress_.swapped = true;
        if (survey_->newNameTaken) {
            outcome_.retiredTable = names.retired;
            Send(DropRetiredStatement(names.retired));
            outcome_.retiredTable.clear();
        }
    });
}

void DeduplicationRun::Shape(const RunInputs& inputs, const ScratchNames& names) {
    const TableStructure& structure = *survey_->structure;
    const bool indexes = !structure.plainIndexes.isEmpty() || structure.autoIncrementCounter;
    const auto requireFinalRows = [&] {
        if (!progress_.keyDropped) {
            throw app::FollowUp(QStringLiteral("Not carried out: the rows of %1 are not final.")
                                    .arg(db::QuoteIdentifier(names.scratch)));
        }
    };
    if (shapedFromStart_) {
        // The copy was made like the chosen table: only the plain indexes are missing.
        proc_.Step(run_line::kShapeIndexes, [&] {
            requireFinalRows();
            if (indexes) {
                Send(AddIndexesStatement(names.scratch, structure.plainIndexes,
                                         structure.autoIncrementCounter));
            }
            progress_.shaped = true;
        });
        return;
    }
    // Otherwise the kept rows go into a table made like the chosen one, which takes the place of
    // the plain copy. Until that is dropped, a failure leaves the plain copy as the result, and
    // the shaped table is dropped again.
    bool made = false, filled = false;
    const auto dropShapedOnFailure = [&](auto&& step) {
        return [&, step] {
            try {
                step();
            } catch (...) {
                const std::exception_ptr failure = std::current_exception();
                if (!made || outcome_.connectionLost) throw;
                try {
                    Send(DropStatement(names.shaped));
                } catch (...) {
                    throw app::Failure(
                        app::DescribeFailure(failure) +
                        QStringLiteral(" The table %1, made for the result, could not be dropped "
                                       "again (%2).")
                            .arg(db::QuoteIdentifier(names.shaped),
                                 app::DescribeFailure(std::current_exception())));
                }
                std::rethrow_exception(failure);
            }
        };
    };
    proc_.Step(run_line::kShapeCopy, dropShapedOnFailure([&] {
                   requireFinalRows();
                   made = true;
                   Send(LikeStatement(names.shaped, inputs.chosenTable));
                   if (!structure.plainIndexNames.isEmpty())
                       Send(DropIndexesStatement(names.shaped, structure.plainIndexNames));
               }));
    proc_.Step(run_line::kShapeFill, dropShapedOnFailure([&] {
                   if (!made) throw app::FollowUp(QStringLiteral("Not carried out."));
                   const int64_t rows = Send(
                       FillStatement(names.shaped, names.scratch, structure.storedColumns, {}));
                   if (rows != outcome_.RowsKept()) {
                       throw app::Failure(
                           QStringLiteral("The table made like %1 took %2 rows, but the run kept "
                                          "%3.")
                               .arg(db::QuoteIdentifier(inputs.chosenTable))
                               .arg(rows)
                               .arg(outcome_.RowsKept()));
                   }
                   filled = true;
               }));
    bool indexed = false;
    proc_.Step(run_line::kShapeIndexes, dropShapedOnFailure([&] {
                   if (!filled) throw app::FollowUp(QStringLiteral("Not carried out."));
                   if (indexes) {
                       Send(AddIndexesStatement(names.shaped, structure.plainIndexes,
                                                structure.autoIncrementCounter));
                   }
                   indexed = true;
               }));
    proc_.Step(run_line::kDropPlain, [&] {
        if (!indexed) throw app::FollowUp(QStringLiteral("Not carried out."));
        Send(DropRetiredStatement(names.scratch));
        result_ = names.shaped;
        outcome_.scratchTable = names.shaped;
        progress_.shaped = true;
    });
}

void DeduplicationRun::Conclude(int failuresBefore) {
    outcome_.firstFailedLine = proc_.FirstFailedLineAfter(failuresBefore);
    if (progress_.swapped) {
        outcome_.place = ResultPlace::NewTable;
    } else if (outcome_.place == ResultPlace::Nowhere && progress_.copied) {
        outcome_.place = ResultPlace::Scratch;
    }
    outcome_.temporaryColumnLeft = progress_.numbered && !progress_.keptKey;
}

void DeduplicationRun::Begin(RunProgress::Step step) {
    progressLine_.step = step;
    if (onProgress_) onProgress_(progressLine_);
}

void DeduplicationRun::Tick() {
    YieldNow(yield_);
    if (!onProgress_ || !search_) return;
    progressLine_.rowsRead = search_->RowsReadSoFar();
    if (progressLine_.step == RunProgress::Step::ReadingKeys && search_->Comparing())
        progressLine_.step = RunProgress::Step::Comparing;
    onProgress_(progressLine_);
}

int64_t DeduplicationRun::Send(const QString& statement) {
    try {
        return Require(connection_).ExecuteCounted(statement);
    } catch (const db::DbError& failure) {
        if (failure.IsLostConnection()) outcome_.connectionLost = true;
        throw;
    }
}

void DeduplicationRun::RequireNumberedCopy(const RunInputs& inputs) const {
    // Without its own numbering column the copy must not be touched.
    if (!progress_.numbered) {
        throw app::FollowUp(
            QStringLiteral("Not carried out: the rows of %1 could not be numbered with the "
                           "temporary column %2.")
                .arg(db::QuoteIdentifier(inputs.newTableName),
                     db::QuoteIdentifier(TemporaryColumn())));
    }
}

void DeduplicationRun::FindDuplicates(const RunInputs& inputs) {
    if (!search_) {
        // The key reader was not created (line 102): the key query fails as its step.
        proc_.Step(run_line::kKeyQuery,
                   [&] { throw app::FollowUp(QStringLiteral("Object variable not set")); });
        return;
    }
    SearchChoices choices{inputs.keep, false, 0, {}};
    const bool namedByKey = survey_ && NamingColumn(*survey_).has_value();
    if (report_) {
        choices.onRemoval = [&](const Removal& removal) { report_->Write(removal, namedByKey); };
    }
    DuplicateSearch::Found found = search_->Search(
        [&]() -> std::unique_ptr<KeyRows> {
            RequireNumberedCopy(inputs);
            Require(connection_);
            auto slices = std::make_unique<KeySlices>(
                connection_,
                KeySlices::Query{inputs.newTableName, idColumn_,
                                 KeyQueryColumns(survey_.value(), report_ != nullptr)},
                sliceBytes_, firstSliceRows_);
            slices->Open();
            return slices;
        },
        outcome_.rowsCopied, choices);
    if (report_ && found.complete) report_->Flush();
    outcome_.rowsRead = found.rowsRead;
    outcome_.duplicatesFound = static_cast<int64_t>(found.laterIds.size());
    ids_ = std::move(found.laterIds);
    signedIds_ = found.signedIds;
    progress_.keysTrusted = found.complete;
}

void DeduplicationRun::DeleteDuplicates(const RunInputs& inputs) {
    // Highest ids first, in statements no larger than the server takes (less a margin for the
    // packet's own bytes).
    constexpr uint64_t kPacketMargin = 64;
    const uint64_t packet =
        session_ ? session_->Number(QStringLiteral("max_allowed_packet"), 0) : 0;
    const uint64_t maxBytes = packet > 2 * kPacketMargin ? packet - kPacketMargin : 1024;
    // The ids are ascending; each batch takes the highest of those left, highest first.
    size_t left = ids_.size();
    std::vector<uint64_t> highest;
    DeleteBatch batch;
    // After the connection is lost, no further delete is sent: each would only fail in turn.
    while (proc_.LoopTest(run_line::kDeleteLoop,
                          [&] { return left > 0 && !outcome_.connectionLost; })) {
        const size_t most = std::min(left, static_cast<size_t>(kDeleteBatchSize));
        highest.assign(ids_.rend() - static_cast<ptrdiff_t>(left),
                       ids_.rend() - static_cast<ptrdiff_t>(left - most));
        batch = DeleteStatement(inputs.newTableName, idColumn_, highest, signedIds_, maxBytes);
        left -= batch.ids;
        proc_.Step(run_line::kDeleteYield, [&] {
            progressLine_.rowsDeleted = outcome_.duplicatesRemoved;
            progressLine_.rowsToDelete = static_cast<int64_t>(ids_.size());
            Tick();
        });
        proc_.Step(run_line::kDelete, [&] {
            try {
                RequireNumberedCopy(inputs);
                const int64_t removed = Send(batch.statement);
                outcome_.duplicatesRemoved += removed;
                if (removed != static_cast<int64_t>(batch.ids)) {
                    throw app::Failure(QStringLiteral("The delete named %1 rows, but the server "
                                                      "removed %2.")
                                           .arg(batch.ids)
                                           .arg(removed));
                }
            } catch (...) {
                progress_.deletesComplete = false;
                throw;
            }
        });
    }
}

}  // namespace tarnwick::engine
