#pragma once

#include <QString>
#include <chrono>

namespace tarnwick::tools {

// When the driver last returned from executing a statement whose text is `statement`, and when
// that call began. Unset (zero) until it has happened once since the statement was watched.
struct ExecTimes {
    std::chrono::steady_clock::time_point started;
    std::chrono::steady_clock::time_point returned;
};

// From now on, calls that execute exactly `statement` are timed (replaces an earlier watch).
void WatchExecution(const QString& statement);
ExecTimes WatchedExecution();

}  // namespace tarnwick::tools
