#pragma once

#include <QString>

namespace tarnwick::app {

// Where a guarded procedure reports its failing steps: the procedure's tag, the failure's own
// description, the step's line, and whether the step failed only because an earlier one did
// (FollowUp). The windows show the error report box for every failing step; the command-line run
// prints a line for each that is not a follow-up.
class FailureReporter {
  public:
    virtual ~FailureReporter() = default;
    virtual void Report(const QString& tag, const QString& description, int line,
                        bool followUp) = 0;
};

// Shows each failure as the error report box ("Application Error", ShowErrorReport).
FailureReporter& ErrorReportBoxes();

}  // namespace tarnwick::app
