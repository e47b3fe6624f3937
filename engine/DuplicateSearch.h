#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/DuplicateDetector.h"
#include "engine/KeySpool.h"
#include "engine/RepeatScreen.h"
#include "engine/RowKey.h"
#include "engine/RunInputs.h"
#include "engine/YieldCallback.h"

namespace tarnwick::app {
class GuardedProcedure;
}

namespace tarnwick::engine {

class KeyRows;

// A row that goes, with the row of its group that stays, for a report.
struct Removal {
    uint64_t keptId = 0;
    std::string_view keptLabel;
    uint64_t removedId = 0;
    std::string_view removedLabel;
};
struct SearchChoices {
    KeepRow keep = KeepRow::First;
    // The search serves a look (DryRun), which deletes nothing: its failures say so.
    bool look = false;
    size_t largestGroups = 0;
    // Called for every row that goes, in the order read, once the search knows them all, when
    // the rows are read with labels. May throw: the search then finds nothing.
    std::function<void(const Removal&)> onRemoval;
};

// The run's search for the rows whose key repeats the key of an earlier row: the steps from
// sending the key query to closing it (lines 122 to 150), each a step of the run's procedure.
//
// The keys are read once, in ascending order of the rows' ids (KeyRows). That first reading puts
// each key through a repeat screen (RepeatScreen: 31 bits of hash per distinct key) and, with the
// row's id, into a spool file (KeySpool). The second reading, from the spool, compares exactly only
// the keys whose hash repeated (DuplicateDetector), numbering their groups, and keeps the ids of
// the rows that go: every row of a group but its first (or, to keep the last, a further reading
// of the spool: every row but the last). Long keys are digested once, in the first reading.
// Rows read with labels (a report) take the spool twice more: for the kept rows' labels, then for
// each row that goes.
//
// Any doubt deletes nothing: when a step of the reading fails, when the rows read are not the rows
// expected, when the ids do not ascend, or when the second reading disagrees with the first, the
// search reports the failure and finds no rows to delete.
class DuplicateSearch {
  public:
    // What the search found.
    struct Found {
        int64_t rowsRead = 0;
        // The ids of the rows whose key repeats an earlier row's, ascending: the 64 bits of whole
        // numbers, signed when `signedIds` says so.
        std::vector<uint64_t> laterIds;
        bool signedIds = false;
        // Every key was read, as many as expected, and compared: `laterIds` are all the later rows.
        bool complete = false;
        // The groups of two rows or more, and the largest of them (SearchChoices::largestGroups),
        // the most rows first.
        int64_t groups = 0;
        struct Group {
            uint64_t keptId = 0;
            int64_t rows = 0;
            std::string keptLabel;  // when the rows were read with labels
        };
        std::vector<Group> largest;
    };
    // Sends the key query, for the step that does (line 122): throws when it cannot.
    using OpenRows = std::function<std::unique_ptr<KeyRows>()>;

    DuplicateSearch(app::GuardedProcedure& procedure, YieldCallback yield);
    ~DuplicateSearch();

    // The rows expected when the count is not known beforehand (a look).
    static constexpr int64_t kRowsUnknown = -1;
    // Reads the rows that `open` gives, expecting `expectedRows` of them (or any number), and finds
    // the later rows of each group of equal keys. Failures are reported through the procedure.
    Found Search(const OpenRows& open, int64_t expectedRows, const SearchChoices& choices = {});

    // The rows read so far by the search at work, and whether it has gone on to compare them.
    int64_t RowsReadSoFar() const { return rowsSoFar_; }
    bool Comparing() const { return comparing_; }

  private:
    void ReadKeys(Found& found);
    void ReadRow(Found& found);
    // Throws when `id` does not come after the id of the row before.
    void CheckAscending(uint64_t id, bool isSigned, const Found& found) const;
    // The second reading (line 148): the later rows' ids, from the spool.
    void FindDuplicatePositions(Found& found, const SearchChoices& choices);
    // The group of each row whose key's hash repeated, in the spool's order, and the rows' ids
    // (the first reading of the spool).
    void NumberGroups(Found& found, const SearchChoices& choices);
    // The further readings: the ids of the rows that go when the last row stays, the kept rows'
    // labels, each removal.
    void KeepLastRows(Found& found);
    void LargestGroups(Found& found, const SearchChoices& choices);
    void ReportRemovals(const SearchChoices& choices);
    // Reads the spool from its start, calling `each` with every record whose key's hash repeated
    // and its group.
    template <class Each>
    void ReadRepeated(Each&& each);
    void Close();
    // Runs `body` as a step of the reading: a failure marks the reading incomplete.
    template <class Body>
    auto Reading(Body&& body);
    KeyRows& Rows() const;

    app::GuardedProcedure& proc_;
    YieldCallback yield_;
    std::unique_ptr<KeyRows> rows_;
    bool readingFailed_ = false;
    RowKey key_;                     // the key of the row being read
    std::string label_;              // its label, when the rows have one
    uint64_t lastId_ = 0;            // the id of the row read before
    std::optional<KeySpool> spool_;  // the first reading's ids and keys, for the second
    RepeatScreen screen_;            // the first reading of the keys
    DuplicateDetector detector_;     // the second
    // Each group's kept row and its size, by group number; the group of each repeated row in the
    // spool's order; the kept rows' labels, by group number, where wanted.
    struct Tally {
        uint64_t keptId = 0;
        uint32_t rows = 0;
    };
    std::vector<Tally> tallies_;
    std::vector<uint32_t> repeatedGroups_;
    std::vector<std::string> keptLabels_;
    bool labelled_ = false;
    int64_t rowsSoFar_ = 0;
    bool comparing_ = false;
};

}  // namespace tarnwick::engine
