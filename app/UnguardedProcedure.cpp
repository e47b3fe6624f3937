#include "app/UnguardedProcedure.h"

#include "app/ProgramEnd.h"
#include "app/core/ErrorReport.h"
#include "app/core/FailureDescription.h"
#include "app/core/MessageBoxService.h"

namespace tarnwick::app {

QString UnguardedFailureText(const QString& procedure, const QString& description) {
    return description + QStringLiteral("\r\n") + ProcedureTag(procedure) + QStringLiteral("\r\r") +
           QStringLiteral("Tarnwick cannot go on safely after this failure and will close now.") +
           QStringLiteral("\r\r") + SupportSentence();
}

void EndAfterUnguardedFailure(const QString& procedure, const std::exception_ptr& failure) {
    Messages().Show(QString::fromUtf16(kErrorReportCaption),
                    UnguardedFailureText(procedure, DescribeFailure(failure)),
                    MessageIcon::Warning);
    EndProgram(1);
}

}  // namespace tarnwick::app
