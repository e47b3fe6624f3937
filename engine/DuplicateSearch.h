#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "engine/DuplicateDetector.h"
#include "engine/KeySpool.h"
#include "engine/RepeatScreen.h"
#include "engine/RowKey.h"
#include "engine/YieldCallback.h"

namespace tarnwick::app {
class GuardedProcedure;
}

namespace tarnwick::engine {

class KeyRows;

// The run's search for the rows whose key repeats the key of an earlier row: the steps from
// sending the key query to closing it (lines 122 to 150), each a step of the run's procedure.
//
// The keys are read once, in ascending order of the rows' ids (KeyRows). That first reading puts
// each key through a repeat screen (RepeatScreen: 31 bits of hash per distinct key) and, with the
// row's id, into a spool file (KeySpool). The second reading, from the spool, compares exactly only
// the keys whose hash repeated (DuplicateDetector), and keeps the ids of the later rows of each
// group. Long keys are digested once, in the first reading.
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
    };
    // Sends the key query, for the step that does (line 122): throws when it cannot.
    using OpenRows = std::function<std::unique_ptr<KeyRows>()>;

    DuplicateSearch(app::GuardedProcedure& procedure, YieldCallback yield);
    ~DuplicateSearch();

    // Reads the rows that `open` gives, expecting `expectedRows` of them, and finds the later
    // rows of each group of equal keys. Failures are reported through the procedure.
    Found Search(const OpenRows& open, int64_t expectedRows);

  private:
    void ReadKeys(Found& found);
    void ReadRow(Found& found);
    // Throws when `id` does not come after the id of the row before.
    void CheckAscending(uint64_t id, bool isSigned, const Found& found) const;
    // The second reading (line 148): the later rows' ids, from the spool.
    void FindDuplicatePositions(Found& found);
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
    uint64_t lastId_ = 0;            // the id of the row read before
    std::optional<KeySpool> spool_;  // the first reading's ids and keys, for the second
    RepeatScreen screen_;            // the first reading of the keys
    DuplicateDetector detector_;     // the second
};

}  // namespace tarnwick::engine
