#include "engine/DeduplicationRun.h"

#include <QDateTime>
#include <QRandomGenerator>
#include <algorithm>
#include <charconv>
#include <string>

#include "app/FailureDescription.h"
#include "db/DbError.h"
#include "db/Identifier.h"
#include "engine/RowKey.h"
#include "engine/WorkingConnection.h"

namespace tarnwick::engine {
namespace {

QString TemporaryColumn() {
    return QString::fromUtf16(kTemporaryColumn);
}

// ER_BINLOG_STMT_MODE_AND_ROW_ENGINE: the server writes statements to its binary log and cannot
// log a statement that InnoDB runs at READ COMMITTED.
constexpr int kStatementLogRefusesReadCommitted = 1665;

// The driver's ways of saying that the connection is gone: SQLSTATE 08S01, or the client
// library's "MySQL server has gone away" (2006) and "Lost connection to MySQL server" (2013).
bool IsLostConnection(const db::DbError& error) {
    return error.SqlState() == u"08S01" || error.NativeError() == 2006 ||
           error.NativeError() == 2013 ||
           error.Description().contains(u"server has gone away", Qt::CaseInsensitive) ||
           error.Description().contains(u"Lost connection", Qt::CaseInsensitive);
}

}  // namespace

ScratchNames NewScratchNames() {
    const QString suffix =
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddHHmmss")) + u'_' +
        QStringLiteral("%1").arg(static_cast<qulonglong>(QRandomGenerator::system()->generate64()),
                                 16, 16, QChar(u'0'));
    return {QStringLiteral("tarnwick_scratch_") + suffix,
            QStringLiteral("tarnwick_retired_") + suffix};
}

std::optional<QString> RefusalOf(const RunInputs& inputs) {
    if (auto refusal = RefusalWithoutServer(inputs)) return refusal;
    try {
        auto connection = db::OpenConnection(inputs.settings);
        return SurveyTables(*connection, inputs).refusal;
    } catch (const std::exception&) {
        // Not refused: the run opens its own connection, meets the same failure and reports it
        // before it changes anything.
        return std::nullopt;
    }
}

std::optional<QString> RefusalWithoutServer(const RunInputs& inputs) {
    if (inputs.newTableName.trimmed().isEmpty()) {
        return QStringLiteral("Please type a name for the new table.");
    }
    if (inputs.newTableName.compare(inputs.chosenTable, Qt::CaseInsensitive) == 0) {
        return QStringLiteral(
                   "The new table cannot be called \"%1\": that is the table you chose, and "
                   "Tarnwick never changes it. Please type another name for the new table.")
            .arg(inputs.newTableName);
    }
    return std::nullopt;
}

QString DropStatement(const QString& newTable) {
    return QStringLiteral("DROP TABLE IF EXISTS ") + db::QuoteIdentifier(newTable) + u';';
}

QString CopyStatement(const QString& newTable, const QString& chosenTable,
                      const QStringList& columns) {
    QString list;
    for (const QString& column : columns) {
        if (!list.isEmpty()) list += QStringLiteral(", ");
        list += db::QuoteIdentifier(column);
    }
    return QStringLiteral("CREATE TABLE ") + db::QuoteIdentifier(newTable) +
           QStringLiteral(" AS SELECT ") + (columns.isEmpty() ? QStringLiteral("*") : list) +
           QStringLiteral(" from ") + db::QuoteIdentifier(chosenTable) + u';';
}

QString AddKeyStatement(const QString& newTable) {
    return QStringLiteral("ALTER TABLE ") + db::QuoteIdentifier(newTable) +
           QStringLiteral(" ADD ") + db::QuoteIdentifier(TemporaryColumn()) +
           QStringLiteral(" INT UNSIGNED NOT NULL AUTO_INCREMENT, ADD PRIMARY KEY (") +
           TemporaryColumn() + QStringLiteral(");");
}

QString KeyQuery(const QString& keyFieldList, const QString& newTable) {
    return QStringLiteral("SELECT ") + keyFieldList + QStringLiteral(" FROM ") +
           db::QuoteIdentifier(newTable) + QStringLiteral(" ORDER BY ") +
           db::QuoteIdentifier(TemporaryColumn()) + u';';
}

QString DeleteStatement(const QString& newTable, const std::vector<int32_t>& positions) {
    // The digits are written as bytes first: a QString::number per position costs more than the
    // rest of a delete on the client.
    std::string digits;
    digits.reserve(positions.size() * 9);
    char number[16];
    for (size_t i = 0; i < positions.size(); ++i) {
        if (i > 0) digits += ", ";
        digits.append(number, std::to_chars(number, number + sizeof number, positions[i]).ptr);
    }
    const QString list = QString::fromLatin1(digits.data(), static_cast<qsizetype>(digits.size()));
    // No closing semicolon, like the single-row delete this replaces.
    return QStringLiteral("DELETE FROM ") + db::QuoteIdentifier(newTable) +
           QStringLiteral(" WHERE ") + db::QuoteIdentifier(TemporaryColumn()) +
           QStringLiteral(" IN (") + list + u')';
}

QString DropKeyStatement(const QString& newTable) {
    return QStringLiteral("ALTER TABLE ") + db::QuoteIdentifier(newTable) +
           QStringLiteral(" DROP COLUMN ") + db::QuoteIdentifier(TemporaryColumn()) + u';';
}

QString RenameStatement(const QString& scratch, const QString& newTable) {
    return QStringLiteral("RENAME TABLE ") + db::QuoteIdentifier(scratch) + QStringLiteral(" TO ") +
           db::QuoteIdentifier(newTable) + u';';
}

QString SwapStatement(const QString& scratch, const QString& newTable, const QString& retired) {
    return QStringLiteral("RENAME TABLE ") + db::QuoteIdentifier(newTable) +
           QStringLiteral(" TO ") + db::QuoteIdentifier(retired) + QStringLiteral(", ") +
           db::QuoteIdentifier(scratch) + QStringLiteral(" TO ") + db::QuoteIdentifier(newTable) +
           u';';
}

QString DropRetiredStatement(const QString& retired) {
    return QStringLiteral("DROP TABLE ") + db::QuoteIdentifier(retired) + u';';
}

QString PreviewQuery(const QString& newTable) {
    return QStringLiteral("SELECT * FROM ") + db::QuoteIdentifier(newTable) + u';';
}

DeduplicationRun::DeduplicationRun(app::GuardedProcedure& procedure, YieldCallback yield)
    : proc_(procedure), yield_(std::move(yield)) {
    proc_.Step(100, [&] { connection_ = db::Connection::Create(); });
    proc_.Step(102, [&] { keys_.reset(); });
    proc_.Step(104, [&] { positions_.clear(); });
}

RunOutcome DeduplicationRun::Run(const RunInputs& inputs) {
    outcome_ = {};
    survey_.reset();
    readCommitted_ = copied_ = numberedCopy_ = keyDropped_ = swapped_ = false;
    if (RefusalWithoutServer(inputs)) return outcome_;
    const int failuresBefore = proc_.FailureCount();
    const ScratchNames names = NewScratchNames();
    outcome_.scratchTable = names.scratch;
    // Up to the Drop key every statement names the scratch table instead of the new one.
    RunInputs scratchInputs = inputs;
    scratchInputs.newTableName = names.scratch;

    OpenWorkingConnection(proc_, 112, connection_, inputs.settings);
    UseReadCommitted();
    bool refused = false;
    proc_.Step(146, [&] {
        TableSurvey survey = SurveyTables(Require(connection_), inputs);
        if (survey.refusal) {
            refused = true;
            throw app::Failure(*survey.refusal);
        }
        survey_ = std::move(survey);
    });
    if (refused) {
        Conclude(failuresBefore);
        return outcome_;
    }

    BuildCopy(inputs, names.scratch);
    ReadKeysAndFindDuplicates(scratchInputs);
    DeleteDuplicates(scratchInputs);
    proc_.Step(174, [&] {
        RequireNumberedCopy(scratchInputs);
        Send(DropKeyStatement(names.scratch));
        keyDropped_ = true;
    });
    SwapIn(inputs, names, failuresBefore);
    proc_.Step(178, [&] {
        if (!swapped_) {
            throw app::Failure(
                QStringLiteral("Not opened: %1 does not hold the result of this run.")
                    .arg(db::QuoteIdentifier(inputs.newTableName)));
        }
        auto preview = std::make_shared<db::RowSet>();
        preview->Open(PreviewQuery(inputs.newTableName), connection_);
        outcome_.preview = std::move(preview);
    });
    Conclude(failuresBefore);
    return outcome_;
}

void DeduplicationRun::UseReadCommitted() {
    proc_.Step(120, [&] {
        db::Connection& connection = Require(connection_);
        serverIsolation_ = connection.TransactionIsolation();
        connection.SetTransactionIsolation(SQL_TXN_READ_COMMITTED);
        readCommitted_ = true;
    });
}

void DeduplicationRun::RequireSurvey() const {
    if (!survey_) {
        throw app::Failure(
            QStringLiteral("Not carried out: the tables of the database could not be read, so "
                           "the run cannot tell what it would change."));
    }
}

void DeduplicationRun::BuildCopy(const RunInputs& inputs, const QString& scratch) {
    proc_.Step(152, [&] {
        RequireSurvey();
        Send(DropStatement(scratch));
    });
    proc_.Step(154, [&] { Copy(inputs, scratch); });
    proc_.Step(156, [&] {
        if (!copied_) {
            throw app::Failure(QStringLiteral("The temporary column was not added: the copy %1 was "
                                              "not made.")
                                   .arg(db::QuoteIdentifier(scratch)));
        }
        Send(AddKeyStatement(scratch));
        numberedCopy_ = true;
    });
}

void DeduplicationRun::Copy(const RunInputs& inputs, const QString& scratch) {
    RequireSurvey();
    const QString copy = CopyStatement(scratch, inputs.chosenTable, survey_->copyColumns);
    const bool lostBefore = outcome_.connectionLost;
    try {
        try {
            Send(copy);
        } catch (const db::DbError& failure) {
            if (!readCommitted_ || failure.NativeError() != kStatementLogRefusesReadCommitted)
                throw;
            // The server's binary log takes statements, which it cannot write for a copy made at
            // READ COMMITTED: this run keeps the server's own level, as any session there does.
            Require(connection_).SetTransactionIsolation(serverIsolation_);
            readCommitted_ = false;
            Send(copy);
        }
    } catch (...) {
        if (outcome_.connectionLost && !lostBefore) outcome_.place = ResultPlace::ScratchUnknown;
        throw;
    }
    copied_ = true;
}

void DeduplicationRun::SwapIn(const RunInputs& inputs, const ScratchNames& names,
                              int failuresBefore) {
    proc_.Step(176, [&] {
        // Only a complete result replaces anything: every step that builds it must have
        // succeeded (the isolation level at line 120 does not change the result).
        const auto& failed = proc_.FailedLines();
        const bool complete =
            keyDropped_ && std::all_of(failed.begin() + failuresBefore, failed.end(),
                                       [](int line) { return line == 120; });
        if (!complete) {
            throw app::Failure(
                QStringLiteral("Not carried out: the result in %1 is not complete, so %2 was not "
                               "replaced.")
                    .arg(db::QuoteIdentifier(names.scratch),
                         db::QuoteIdentifier(inputs.newTableName)));
        }
        const bool lostBefore = outcome_.connectionLost;
        try {
            Send(survey_->newNameTaken
                     ? SwapStatement(names.scratch, inputs.newTableName, names.retired)
                     : RenameStatement(names.scratch, inputs.newTableName));
        } catch (...) {
            if (outcome_.connectionLost && !lostBefore) outcome_.place = ResultPlace::SwapUnknown;
            throw;
        }
        swapped_ = true;
        if (survey_->newNameTaken) {
            outcome_.retiredTable = names.retired;
            Send(DropRetiredStatement(names.retired));
            outcome_.retiredTable.clear();
        }
    });
}

void DeduplicationRun::Conclude(int failuresBefore) {
    const auto& failed = proc_.FailedLines();
    if (static_cast<int>(failed.size()) > failuresBefore) {
        outcome_.firstFailedLine = failed[static_cast<size_t>(failuresBefore)];
    }
    if (swapped_) {
        outcome_.place = ResultPlace::NewTable;
    } else if (outcome_.place == ResultPlace::Nowhere && copied_) {
        outcome_.place = ResultPlace::Scratch;
    }
    outcome_.temporaryColumnLeft = numberedCopy_ && !keyDropped_;
}

void DeduplicationRun::Send(const QString& statement) {
    try {
        Require(connection_).Execute(statement);
    } catch (const db::DbError& failure) {
        if (IsLostConnection(failure)) outcome_.connectionLost = true;
        throw;
    }
}

void DeduplicationRun::RequireNumberedCopy(const RunInputs& inputs) const {
    // Without its own numbering column the copy must not be touched: a column of the same name
    // that came with the chosen table would otherwise decide which rows go, and then be dropped.
    if (!numberedCopy_) {
        throw app::Failure(
            QStringLiteral("Not carried out: the rows of %1 could not be numbered with the "
                           "temporary column %2.")
                .arg(db::QuoteIdentifier(inputs.newTableName),
                     db::QuoteIdentifier(TemporaryColumn())));
    }
}

void DeduplicationRun::ReadKeysAndFindDuplicates(const RunInputs& inputs) {
    proc_.Step(122, [&] {
        RequireNumberedCopy(inputs);
        Require(connection_);
        keys_.emplace(
            db::KeyCursor::Open(connection_, KeyQuery(inputs.keyFieldList, inputs.newTableName)));
    });
    const auto requireKeys = [&]() -> db::KeyCursor& {
        if (!keys_) {
            throw app::Failure(
                QStringLiteral("Operation is not allowed when the object is closed."));
        }
        return *keys_;
    };

    // A key that missed a field could equal another row's key by accident; so once any step of the
    // reading has failed, no row is deleted.
    const int failuresBeforeReading = proc_.FailureCount();
    const bool opened = keys_.has_value();

    RowKey key;
    int fieldCount = 0;
    // The first reading: each row's key goes through the repeat screen; the exact comparison is
    // the second reading's, at line 148.
    while (proc_.LoopTest(124, [&] { return requireKeys().Fetch(); })) {
        proc_.Step(126, [&] { YieldNow(yield_); });
        proc_.Step(128, [&] { key.Clear(); });
        int field = 0;
        while (proc_.LoopTest(130, [&] {
            fieldCount = requireKeys().FieldCount();
            return field < fieldCount;
        })) {
            proc_.Step(132, [&] { YieldNow(yield_); });
            proc_.Step(134, [&] { key.AppendField(requireKeys(), field); });
            ++field;
        }
        proc_.Step(140, [&] {
            ++outcome_.rowsRead;
            screen_.Add(key.Bytes());
        });
    }
    proc_.Step(148, [&] {
        if (opened && proc_.FailureCount() > failuresBeforeReading) {
            throw app::Failure(
                QStringLiteral("No rows were deleted: not every key could be read, so the "
                               "duplicates are not known "
                               "for certain. The new table is a full copy."));
        }
        if (screen_.AnyRepeated()) ConfirmRepeatedKeys();
        positions_ = detector_.PositionsDescending();
        outcome_.duplicatesFound = static_cast<int64_t>(positions_.size());
    });
    proc_.Step(150, [&] {
        keys_.reset();
        // Only the positions are needed from here on.
        screen_.Clear();
        detector_.ReleaseKeys();
    });
}

void DeduplicationRun::ConfirmRepeatedKeys() {
    // The second reading, from the driver's buffer: only the keys whose hash repeated are
    // compared exactly, and only they are kept meanwhile.
    if (!keys_) {
        throw app::Failure(QStringLiteral("Operation is not allowed when the object is closed."));
    }
    try {
        screen_.DropUnrepeated();
        keys_->Rewind();
        RowKey key;
        while (keys_->Fetch()) {
            YieldNow(yield_);
            key.Clear();
            for (int field = 0; field < keys_->FieldCount(); ++field)
                key.AppendField(*keys_, field);
            if (screen_.Repeated(key.Bytes())) {
                detector_.Add(key.Bytes());
            } else {
                detector_.AddUnrepeated();
            }
        }
    } catch (const std::exception&) {
        throw app::Failure(QStringLiteral("No rows were deleted: the keys could not be compared "
                                          "(%1). The new table is a full copy.")
                               .arg(app::DescribeFailure(std::current_exception())));
    }
    if (detector_.RowCount() != outcome_.rowsRead) {
        throw app::Failure(QStringLiteral("No rows were deleted: the keys read %1 rows the second "
                                          "time and %2 the first. The new table is a full copy.")
                               .arg(detector_.RowCount())
                               .arg(outcome_.rowsRead));
    }
}

void DeduplicationRun::DeleteDuplicates(const RunInputs& inputs) {
    // Highest positions first, at most kDeleteBatchSize to a statement.
    size_t next = 0;
    // After the connection is lost, no further delete is sent: each would only fail in turn.
    while (
        proc_.LoopTest(166, [&] { return next < positions_.size() && !outcome_.connectionLost; })) {
        const size_t end = std::min(positions_.size(), next + kDeleteBatchSize);
        const std::vector<int32_t> batch(positions_.begin() + static_cast<ptrdiff_t>(next),
                                         positions_.begin() + static_cast<ptrdiff_t>(end));
        next = end;
        proc_.Step(168, [&] { YieldNow(yield_); });
        proc_.Step(170, [&] {
            RequireNumberedCopy(inputs);
            Send(DeleteStatement(inputs.newTableName, batch));
            outcome_.duplicatesRemoved += static_cast<int64_t>(batch.size());
        });
    }
}

}  // namespace tarnwick::engine
