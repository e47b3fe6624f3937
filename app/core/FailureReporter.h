#pragma once

#include <QString>
#include <exception>

namespace tarnwick::app {

// Where a guarded procedure reports its failing steps: the procedure's tag, the failure itself
// (DescribeFailure gives its own text; a follow-up, IsFollowUp, failed only because an earlier step
// did) and the step's line. The windows show the error report box for every failing step; the
// command-line run prints a line for each that is not a follow-up.
class FailureReporter {
  public:
    virtual ~FailureReporter() = default;
    virtual void Report(const QString& tag, const std::exception_ptr& failure, int line) = 0;
};

// Shows each failure as the error report box ("Application Error", ShowErrorReport).
FailureReporter& ErrorReportBoxes();

}  // namespace tarnwick::app
