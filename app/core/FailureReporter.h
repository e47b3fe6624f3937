#pragma once

#include <QString>

namespace tarnwick::app {

// Where a guarded procedure reports its failing steps: the procedure's tag, the failure's own
// description and the step's line. The windows show the error report box; the command-line run
// prints the same text.
class FailureReporter {
  public:
    virtual ~FailureReporter() = default;
    virtual void Report(const QString& tag, const QString& description, int line) = 0;
};

// Shows each failure as the error report box ("Application Error", ShowErrorReport).
FailureReporter& ErrorReportBoxes();

}  // namespace tarnwick::app
