#include "app/GuardedProcedure.h"

#include "app/ErrorReport.h"
#include "app/FailureDescription.h"

namespace tarnwick::app {

GuardedProcedure::GuardedProcedure(const QString& procedure) : tag_(ProcedureTag(procedure)) {}

void GuardedProcedure::Report(int line, const std::exception_ptr& failure) {
    failedLines_.push_back(line);
    ShowErrorReport(tag_, DescribeFailure(failure), line);
}

}  // namespace tarnwick::app
