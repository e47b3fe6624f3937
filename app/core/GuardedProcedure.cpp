#include "app/core/GuardedProcedure.h"

#include "app/core/ErrorReport.h"
#include "app/core/FailureDescription.h"

namespace tarnwick::app {

GuardedProcedure::GuardedProcedure(const QString& procedure, FailureReporter& reporter)
    : tag_(ProcedureTag(procedure)), reporter_(reporter) {}

void GuardedProcedure::Report(int line, const std::exception_ptr& failure) {
    failedLines_.push_back(line);
    reporter_.Report(tag_, failure, line);
}

}  // namespace tarnwick::app
