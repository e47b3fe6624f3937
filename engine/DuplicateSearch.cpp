#include "engine/DuplicateSearch.h"

#include <QString>
#include <algorithm>

#include "app/core/FailureDescription.h"
#include "app/core/GuardedProcedure.h"
#include "db/Connection.h"
#include "engine/KeyRows.h"
#include "engine/RowKey.h"
#include "engine/RunLines.h"

namespace tarnwick::engine {
DuplicateSearch::DuplicateSearch(app::GuardedProcedure& procedure, YieldCallback yield)
    : proc_(procedure), yield_(std::move(yield)) {}

DuplicateSearch::~DuplicateSearch() = default;

template <class Body>
auto DuplicateSearch::Reading(Body&& body) {
    return [this, &body] {
        try {
            return body();
        } catch (...) {
            readingFailed_ = true;
            throw;
        }
    };
}

KeyRows& DuplicateSearch::Rows() const {
    if (!rows_) throw app::FollowUp(QString::fromUtf16(db::kObjectClosedText));
    return *rows_;
}

DuplicateSearch::Found DuplicateSearch::Search(const OpenRows& open, int64_t expectedRows) {
    Found found;
    Close();  // anything of an earlier search
    proc_.Step(run_line::kKeyQuery, [&] {
        std::unique_ptr<KeyRows> rows = open();
        // The first reading's table is made for the rows expected, at once.
        screen_.Reserve(static_cast<size_t>(std::max<int64_t>(expectedRows, 0)));
        spool_.emplace();
        rows_ = std::move(rows);
    });
    // A key that missed a field could equal another row's key by accident; so once any step of
    // the reading has failed, no row is deleted.
    readingFailed_ = !rows_;
    ReadKeys(found);
    proc_.Step(run_line::kFindDuplicates, [&] {
        if (readingFailed_) {
            if (!rows_) return;  // the key query's own failure is reported already
            throw app::FollowUp(
                QStringLiteral("No rows were deleted: not every key could be read, so the "
                               "duplicates are not known for certain. The new table is a full "
                               "copy."));
        }
        if (found.rowsRead != expectedRows) {
            throw app::Failure(QStringLiteral("No rows were deleted: the key query read %1 rows, "
                                              "but the copy made %2. The new table is a full copy.")
                                   .arg(found.rowsRead)
                                   .arg(expectedRows));
        }
        if (screen_.AnyRepeated()) FindDuplicatePositions(found);
        found.complete = true;
    });
    proc_.Step(run_line::kCloseKeyReader, [&] { Close(); });
    return found;
}

void DuplicateSearch::ReadKeys(Found& found) {
    // Each row's key goes through the repeat screen and into the spool; the slices after the
    // first are sent as the rows run out (line 124).
    while (proc_.LoopTest(run_line::kRowLoop, Reading([&] { return Rows().Fetch(); }))) {
        ReadRow(found);
    }
    if (rows_) found.signedIds = rows_->IdsSigned();
}

void DuplicateSearch::ReadRow(Found& found) {
    proc_.Step(run_line::kRowYield, Reading([&] { YieldNow(yield_); }));
    proc_.Step(run_line::kStartKey, Reading([&] { key_.Clear(); }));
    int field = 0;
    while (proc_.LoopTest(run_line::kFieldLoop,
                          Reading([&] { return field < Rows().KeyFieldCount(); }))) {
        proc_.Step(run_line::kFieldYield, Reading([&] { YieldNow(yield_); }));
        proc_.Step(run_line::kAppendField, Reading([&] { key_.AppendField(Rows(), field); }));
        ++field;
    }
    proc_.Step(run_line::kKeepKey, Reading([&] {
                   const KeyRows& rows = Rows();
                   const uint64_t id = rows.Id();
                   CheckAscending(id, rows.IdsSigned(), found);
                   lastId_ = id;
                   const DuplicateDetector::KeptKey kept = detector_.Keep(key_.Bytes());
                   screen_.Add(kept.bytes);
                   spool_->Append(id, kept.bytes, kept.digest);
                   ++found.rowsRead;
               }));
}

void DuplicateSearch::CheckAscending(uint64_t id, bool isSigned, const Found& found) const {
    if (found.rowsRead == 0) return;
    const uint64_t previous = lastId_;
    const bool ascending =
        isSigned ? static_cast<int64_t>(id) > static_cast<int64_t>(previous) : id > previous;
    if (!ascending) {
        const auto text = [&](uint64_t value) {
            return isSigned ? QString::number(static_cast<int64_t>(value)) : QString::number(value);
        };
        throw app::Failure(QStringLiteral("The row ids do not ascend: %1 came after %2")
                               .arg(text(id), text(previous)));
    }
}

void DuplicateSearch::FindDuplicatePositions(Found& found) {
    // Only the keys whose hash repeated are compared exactly, and only they are kept meanwhile.
    // The rows come in the order of their ids, so the ids of the later rows of each group are
    // found in ascending order. At most the rows whose hash came before repeat a row: room for
    // their ids at once.
    const auto rows = static_cast<size_t>(found.rowsRead);
    std::vector<uint64_t>& ids = found.laterIds;
    ids.clear();
    try {
        ids.reserve(rows - std::min(rows, screen_.DistinctCount()));
        screen_.DropUnrepeated(yield_);
        detector_.Reserve(screen_.RepeatedKeysRoom());
        spool_->Rewind();
        uint64_t id = 0;
        std::string_view bytes;
        bool digest = false;
        while (spool_->Next(id, bytes, digest)) {
            YieldNow(yield_);
            if (!screen_.Repeated(bytes)) {
                detector_.AddUnrepeated();
            } else if (detector_.Add({bytes, digest})) {
                ids.push_back(id);
            }
        }
    } catch (const std::exception&) {
        ids.clear();
        throw app::Failure(QStringLiteral("No rows were deleted: the keys could not be compared "
                                          "(%1). The new table is a full copy.")
                               .arg(app::DescribeFailure(std::current_exception())));
    }
    if (detector_.RowCount() != found.rowsRead) {
        ids.clear();
        throw app::Failure(QStringLiteral("No rows were deleted: the keys read %1 rows the second "
                                          "time and %2 the first. The new table is a full copy.")
                               .arg(detector_.RowCount())
                               .arg(found.rowsRead));
    }
}

void DuplicateSearch::Close() {
    rows_.reset();
    // Only the ids are needed from here on.
    if (spool_) spool_->Release(yield_);
    spool_.reset();
    screen_.Clear();
    detector_.Clear();
}

}  // namespace tarnwick::engine
