#include "engine/DuplicateSearch.h"

#include <QString>
#include <algorithm>

#include "app/core/FailureDescription.h"
#include "app/core/GuardedProcedure.h"
#include "db/Connection.h"
#include "engine/KeyRows.h"
#include "engine/RowKey.h"
#include "engine/RowLabel.h"
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

namespace {

// Why the search found nothing, as its failure says it: nothing was deleted, or, for a look,
// nothing is known.
QString Doubt(const SearchChoices& choices, const QString& why) {
    return choices.look ? QStringLiteral("The duplicates are not known: ") + why + u'.'
                        : QStringLiteral("No rows were deleted: ") + why +
                              QStringLiteral(". The new table is a full copy.");
}

}  // namespace

KeyRows& DuplicateSearch::Rows() const {
    if (!rows_) throw app::FollowUp(QString::fromUtf16(db::kObjectClosedText));
    return *rows_;
}

DuplicateSearch::Found DuplicateSearch::Search(const OpenRows& open, int64_t expectedRows,
                                               const SearchChoices& choices) {
    Found found;
    Close();  // anything of an earlier search
    rowsSoFar_ = 0;
    comparing_ = false;
    proc_.Step(run_line::kKeyQuery, [&] {
        std::unique_ptr<KeyRows> rows = open();
        // The first reading's table is made for the rows expected, at once.
        screen_.Reserve(static_cast<size_t>(std::max<int64_t>(expectedRows, 0)));
        spool_.emplace();
        labelled_ = rows && rows->LabelFieldCount() > 0;
        rows_ = std::move(rows);
    });
    // A key that missed a field could equal another row's key by accident; so once any step of
    // the reading has failed, no row is deleted.
    readingFailed_ = !rows_;
    ReadKeys(found);
    comparing_ = true;
    proc_.Step(run_line::kFindDuplicates, [&] {
        if (readingFailed_) {
            if (!rows_) return;  // the key query's own failure is reported already
            throw app::FollowUp(Doubt(choices, QStringLiteral("not every key could be read, so "
                                                              "the duplicates are not known for "
                                                              "certain")));
        }
        if (expectedRows != kRowsUnknown && found.rowsRead != expectedRows) {
            throw app::Failure(Doubt(choices, QStringLiteral("the key query read %1 rows, but "
                                                             "the copy made %2")
                                                  .arg(found.rowsRead)
                                                  .arg(expectedRows)));
        }
        if (screen_.AnyRepeated()) FindDuplicatePositions(found, choices);
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
                   if (labelled_) {
                       label_.clear();
                       row_label::Append(rows, label_);
                   }
                   const DuplicateDetector::KeptKey kept = detector_.Keep(key_.Bytes());
                   screen_.Add(kept.bytes);
                   spool_->Append({id, kept.bytes, kept.digest, label_});
                   ++found.rowsRead;
                   rowsSoFar_ = found.rowsRead;
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

void DuplicateSearch::FindDuplicatePositions(Found& found, const SearchChoices& choices) {
    std::vector<uint64_t>& ids = found.laterIds;
    ids.clear();
    try {
        NumberGroups(found, choices);
        if (detector_.RowCount() != found.rowsRead) {
            throw app::Failure(Doubt(choices, QStringLiteral("the keys read %1 rows the second "
                                                             "time and %2 the first")
                                                  .arg(detector_.RowCount())
                                                  .arg(found.rowsRead)));
        }
        if (choices.keep == KeepRow::Last) KeepLastRows(found);
        LargestGroups(found, choices);
    } catch (const app::Failure&) {
        ids.clear();
        throw;
    } catch (const std::exception&) {
        ids.clear();
        throw app::Failure(
            Doubt(choices, QStringLiteral("the keys could not be compared (%1)")
                               .arg(app::DescribeFailure(std::current_exception()))));
    }
    if (!labelled_ || !choices.onRemoval) return;
    try {
        ReportRemovals(choices);
    } catch (const std::exception&) {
        ids.clear();
        throw app::Failure(Doubt(
            choices, QStringLiteral("the report of the rows that go could not be written (%1)")
                         .arg(app::DescribeFailure(std::current_exception()))));
    }
}

void DuplicateSearch::NumberGroups(Found& found, const SearchChoices& choices) {
    // Only the keys whose hash repeated are compared exactly, and only they are kept meanwhile.
    // The rows come in the order of their ids, so the ids of the rows that go are found in
    // ascending order. At most the rows whose hash came before go: room for their ids at once.
    const auto rows = static_cast<size_t>(found.rowsRead);
    found.laterIds.reserve(rows - std::min(rows, screen_.DistinctCount()));
    screen_.DropUnrepeated(yield_);
    detector_.Reserve(screen_.RepeatedKeysRoom());
    tallies_.clear();
    repeatedGroups_.clear();
    const bool keepFirst = choices.keep == KeepRow::First;
    // Keeping the last row, and a report, read the spool again by group.
    const bool listGroups = !keepFirst || (labelled_ && choices.onRemoval);
    spool_->Rewind();
    KeySpool::Record record;
    while (spool_->Next(record)) {
        YieldNow(yield_);
        if (!screen_.Repeated(record.key)) {
            detector_.AddUnrepeated();
            continue;
        }
        const DuplicateDetector::Group group = detector_.Add({record.key, record.digest});
        if (group.first) {
            tallies_.push_back({record.id, 1});
        } else {
            Tally& tally = tallies_[group.number];
            ++tally.rows;
            if (keepFirst) {
                found.laterIds.push_back(record.id);
            } else {
                tally.keptId = record.id;
            }
        }
        if (listGroups) repeatedGroups_.push_back(group.number);
    }
    found.groups = std::count_if(tallies_.begin(), tallies_.end(),
                                 [](const Tally& tally) { return tally.rows > 1; });
}

template <class Each>
void DuplicateSearch::ReadRepeated(Each&& each) {
    spool_->Rewind();
    KeySpool::Record record;
    size_t repeated = 0;
    while (spool_->Next(record)) {
        YieldNow(yield_);
        if (screen_.Repeated(record.key)) each(record, repeatedGroups_.at(repeated++));
    }
}

void DuplicateSearch::KeepLastRows(Found& found) {
    ReadRepeated([&](const KeySpool::Record& record, uint32_t group) {
        if (tallies_[group].keptId != record.id) found.laterIds.push_back(record.id);
    });
}

void DuplicateSearch::LargestGroups(Found& found, const SearchChoices& choices) {
    std::vector<uint32_t> largest;
    if (choices.largestGroups > 0) {
        for (uint32_t group = 0; group < tallies_.size(); ++group) {
            if (tallies_[group].rows > 1) largest.push_back(group);
        }
        const size_t shown = std::min(largest.size(), choices.largestGroups);
        // The most rows first; of equal sizes, the group that came first.
        std::partial_sort(largest.begin(), largest.begin() + static_cast<ptrdiff_t>(shown),
                          largest.end(), [&](uint32_t a, uint32_t b) {
                              return tallies_[a].rows != tallies_[b].rows
                                         ? tallies_[a].rows > tallies_[b].rows
                                         : a < b;
                          });
        largest.resize(shown);
    }
    std::vector<std::string> labels(largest.size());
    if (labelled_ && choices.onRemoval) {
        // The kept rows' labels of every group, for the report; the largest groups' among them.
        keptLabels_.assign(tallies_.size(), {});
        ReadRepeated([&](const KeySpool::Record& record, uint32_t group) {
            if (tallies_[group].keptId == record.id) keptLabels_[group].assign(record.label);
        });
        for (size_t i = 0; i < largest.size(); ++i) labels[i] = keptLabels_[largest[i]];
    } else if (labelled_ && !largest.empty()) {
        // Only the largest groups' kept rows, known by their ids.
        spool_->Rewind();
        KeySpool::Record record;
        while (spool_->Next(record)) {
            YieldNow(yield_);
            for (size_t i = 0; i < largest.size(); ++i) {
                if (tallies_[largest[i]].keptId == record.id) labels[i].assign(record.label);
            }
        }
    }
    for (size_t i = 0; i < largest.size(); ++i) {
        const Tally& tally = tallies_[largest[i]];
        found.largest.push_back({tally.keptId, tally.rows, std::move(labels[i])});
    }
}

void DuplicateSearch::ReportRemovals(const SearchChoices& choices) {
    ReadRepeated([&](const KeySpool::Record& record, uint32_t group) {
        const Tally& tally = tallies_[group];
        if (tally.keptId != record.id)
            choices.onRemoval({tally.keptId, keptLabels_[group], record.id, record.label});
    });
}

void DuplicateSearch::Close() {
    rows_.reset();
    // Only the ids are needed from here on.
    if (spool_) spool_->Release(yield_);
    spool_.reset();
    screen_.Clear();
    detector_.Clear();
    std::vector<Tally>().swap(tallies_);
    std::vector<uint32_t>().swap(repeatedGroups_);
    std::vector<std::string>().swap(keptLabels_);
}

}  // namespace tarnwick::engine
