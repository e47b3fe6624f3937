#pragma once

#include <cstdint>
#include <functional>

namespace tarnwick::engine {

// How far a run (or a look) has come, for a progress line.
struct RunProgress {
    enum class Step { Starting, Copying, Numbering, ReadingKeys, Comparing, Deleting, Finishing };
    Step step = Step::Starting;
    int64_t rowsExpected = -1;  // the rows the copy made; -1 while not known (a look)
    int64_t rowsRead = 0;       // rows of keys read
    int64_t rowsDeleted = 0;    // rows the deletes removed
    int64_t rowsToDelete = 0;
};

// Told of the progress when a step begins and as the run works (often: it must be cheap).
using ProgressCallback = std::function<void(const RunProgress&)>;

}  // namespace tarnwick::engine
