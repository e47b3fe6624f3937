#include "engine/DeduplicationRun.h"

#include <charconv>
#include <string>

#include "app/FailureDescription.h"
#include "db/Identifier.h"
#include "engine/RowKey.h"
#include "engine/WorkingConnection.h"

namespace tarnwick::engine {
namespace {

QString TemporaryColumn() {
    return QString::fromUtf16(kTemporaryColumn);
}

}  // namespace

std::optional<QString> RefusalOf(const RunInputs& inputs) {
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

QString CopyStatement(const QString& newTable, const QString& chosenTable) {
    return QStringLiteral("CREATE TABLE ") + db::QuoteIdentifier(newTable) +
           QStringLiteral(" AS SELECT * from ") + db::QuoteIdentifier(chosenTable) + u';';
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
    if (RefusalOf(inputs)) return outcome_;
    const QString& newTable = inputs.newTableName;

    OpenWorkingConnection(proc_, 112, connection_, inputs.settings);

    bool copied = false;
    proc_.Step(152, [&] { Require(connection_).Execute(DropStatement(newTable)); });
    proc_.Step(154, [&] {
        Require(connection_).Execute(CopyStatement(newTable, inputs.chosenTable));
        copied = true;
    });
    proc_.Step(156, [&] {
        if (!copied) {
            throw app::Failure(QStringLiteral("The temporary column was not added: the copy %1 was "
                                              "not made.")
                                   .arg(db::QuoteIdentifier(newTable)));
        }
        Require(connection_).Execute(AddKeyStatement(newTable));
        numberedCopy_ = true;
    });

    ReadKeysAndFindDuplicates(inputs);
    DeleteDuplicates(inputs);

    proc_.Step(174, [&] {
        RequireNumberedCopy(inputs);
        Require(connection_).Execute(DropKeyStatement(newTable));
    });
    proc_.Step(178, [&] {
        auto preview = std::make_shared<db::RowSet>();
        preview->Open(PreviewQuery(newTable), connection_);
        outcome_.preview = std::move(preview);
    });
    return outcome_;
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
    // The keys stream in: each row's key is checked against the distinct keys seen so far.
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
            detector_.Add(key.Bytes());
        });
    }
    proc_.Step(148, [&] {
        if (opened && proc_.FailureCount() > failuresBeforeReading) {
            throw app::Failure(
                QStringLiteral("No rows were deleted: not every key could be read, so the "
                               "duplicates are not known "
                               "for certain. The new table is a full copy."));
        }
        positions_ = detector_.PositionsDescending();
        outcome_.duplicatesFound = static_cast<int64_t>(positions_.size());
    });
    proc_.Step(150, [&] {
        keys_.reset();
        detector_.ReleaseKeys();  // only the positions are needed from here on
    });
}

void DeduplicationRun::DeleteDuplicates(const RunInputs& inputs) {
    // Highest positions first, at most kDeleteBatchSize to a statement.
    size_t next = 0;
    while (proc_.LoopTest(166, [&] { return next < positions_.size(); })) {
        const size_t end = std::min(positions_.size(), next + kDeleteBatchSize);
        const std::vector<int32_t> batch(positions_.begin() + static_cast<ptrdiff_t>(next),
                                         positions_.begin() + static_cast<ptrdiff_t>(end));
        next = end;
        proc_.Step(168, [&] { YieldNow(yield_); });
        proc_.Step(170, [&] {
            RequireNumberedCopy(inputs);
            Require(connection_).Execute(DeleteStatement(inputs.newTableName, batch));
            outcome_.duplicatesRemoved += static_cast<int64_t>(batch.size());
        });
    }
}

}  // namespace tarnwick::engine
