#pragma once

#include <QString>

namespace tarnwick::engine {

struct RunInputs;
struct RunOutcome;
struct LookOutcome;

// A name as the summary shows it: in backticks as a statement names it, control characters escaped.
QString QuotedForLine(const QString& name);

// The line of a run or a look that was refused before anything changed:
//   "refused in S s: nothing was changed"
QString RefusedSummary(double seconds);

// The one line that tells what a run did. When every step succeeded:
//   "kept K of N rows in `NEWTABLE` (D duplicates removed) in S s"   (K = N - D, the
//   server's counts; names quoted as statements quote them, control characters escaped)
// ("1 duplicate removed" for one), when the run was refused before anything changed
//   "refused in S s: nothing was changed"
// otherwise the first line that failed and what is known of the new table, e.g.
//   "failed at line 154 in S s: no table was created and this run did not create or change
//   `archive`"
QString RunSummary(const RunInputs& inputs, const RunOutcome& outcome, double seconds);

// What a look found, in lines: the rows read, the distinct keys, the rows that would go, the groups
// with duplicates and the largest groups with their sizes and the key values of the row that would
// stay; then the status line:
//   "dry run in S s: D of N rows of `TABLE` would go; nothing was changed"
// or "refused in S s: nothing was changed", or "failed at line L in S s: nothing was changed".
QString LookSummary(const RunInputs& inputs, const LookOutcome& outcome, double seconds);

}  // namespace tarnwick::engine
