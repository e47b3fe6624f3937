#pragma once

#include <QString>
#include <QStringList>
#include <array>

namespace tarnwick::bench {

// The steps of a run, told apart by the statement that starts each one.
enum class Step { Copy, AddKey, Keys, Deletes, DropKey, Preview, Other };
inline constexpr int kStepCount = 7;
inline constexpr std::array<const char*, kStepCount> kStepNames = {
    "copy", "add key", "keys+detect", "deletes", "drop key", "preview", "other"};

// Which step a statement of the run starts.
Step StepOf(const QString& statement);

// One run of tarnwick-dedupe with --echo: each echoed statement is timed from the moment it
// arrives on the pipe to the arrival of the next line (the last one to the summary line).
struct DedupeFigures {
    int exitCode = -1;
    double seconds = 0;                      // start of the process to its end
    std::array<double, kStepCount> steps{};  // seconds per step; Other: connecting, drop, ...
    double peakMegabytesKeys = 0;  // the process's peak resident memory when the keys were read
    double peakMegabytes = 0;      // over the whole run
    QString summary;               // the last line
    long removed = 0;              // from the summary line
};

// Runs `program` with `arguments` plus --echo and waits for it. Its standard error passes
// through. The caller's own peak memory must stay below the tool's: the kernel counts a spawned
// process's peak from its spawner's.
DedupeFigures RunDedupe(const QString& program, const QStringList& arguments);

}  // namespace tarnwick::bench
