#pragma once

#include <QString>
#include <exception>
#include <utility>
#include <vector>

#include "app/core/FailureReporter.h"

namespace tarnwick::app {

// A procedure with an error handler: its work is written as numbered steps, and a step that fails
// is reported (ShowErrorReport with the procedure's tag and the step's line) before the procedure
// goes on with its next step. The handler stays armed for every later step.
//
//   GuardedProcedure proc(u"Form2.PushButton3_Click"_s);
//   proc.Step(100, [&] { ... });
//   if (proc.Test(138, [&] { return ...; })) { ... }       // a failing test enters the branch
//   while (proc.LoopTest(128, [&] { return !rs->Eof(); })) // a failing loop test leaves the loop
class GuardedProcedure {
  public:
    // procedure: page and procedure name, e.g. "Form1.Form_Load". Failures go to `reporter`
    // (the error report box unless another is given).
    explicit GuardedProcedure(const QString& procedure,
                              FailureReporter& reporter = ErrorReportBoxes());

    template <class Body>
    void Step(int line, Body&& body) {
        try {
            std::forward<Body>(body)();
        } catch (...) {
            Report(line, std::current_exception());
        }
    }

    // The test of a condition. A failure is reported and counts as true: the steps inside the
    // condition run next, as they would after any failing step.
    template <class Condition>
    bool Test(int line, Condition&& condition) {
        return Evaluate(line, std::forward<Condition>(condition), true);
    }

    // The test of a loop. A failure is reported and ends the loop, so that a test that keeps
    // failing cannot repeat its report without end.
    template <class Condition>
    bool LoopTest(int line, Condition&& condition) {
        return Evaluate(line, std::forward<Condition>(condition), false);
    }

    int FailureCount() const { return static_cast<int>(failedLines_.size()); }
    // The line of every failure reported so far, in order.
    const std::vector<int>& FailedLines() const { return failedLines_; }
    // The line of the first failure after the first `failuresBefore` ones; 0 when there is none.
    int FirstFailedLineAfter(int failuresBefore) const {
        return FailureCount() > failuresBefore ? failedLines_[static_cast<size_t>(failuresBefore)]
                                               : 0;
    }

  private:
    // The condition's answer, or `onFailure` once its failure is reported.
    template <class Condition>
    bool Evaluate(int line, Condition&& condition, bool onFailure) {
        try {
            return static_cast<bool>(std::forward<Condition>(condition)());
        } catch (...) {
            Report(line, std::current_exception());
            return onFailure;
        }
    }
    void Report(int line, const std::exception_ptr& failure);

    QString tag_;
    FailureReporter& reporter_;
    std::vector<int> failedLines_;
};

}  // namespace tarnwick::app
