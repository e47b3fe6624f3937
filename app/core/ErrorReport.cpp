#include "app/core/ErrorReport.h"

#include "app/core/FailureDescription.h"
#include "app/core/FailureReporter.h"
#include "app/core/MessageBoxService.h"

namespace tarnwick::app {

QString ProcedureTag(const QString& procedure) {
    return QStringLiteral("in Quillomer2021/08/31.") + procedure + u' ';
}

QString SupportSentence() {
    return QStringLiteral("Please email screenshot of this message to ") +
           QString::fromUtf16(kSupportAddress);
}

QString ErrorReportText(const QString& tag, const QString& description, int line) {
    return description + QStringLiteral("\r\n") + tag + QStringLiteral("at line ") +
           QString::number(line) + QStringLiteral("\r\r") + SupportSentence();
}

void ShowErrorReport(const QString& tag, const QString& description, int line) {
    Messages().Show(QString::fromUtf16(kErrorReportCaption),
                    ErrorReportText(tag, description, line), MessageIcon::Warning);
}

namespace {

class ErrorReportBoxReporter : public FailureReporter {
  public:
    void Report(const QString& tag, const std::exception_ptr& failure, int line) override {
        ShowErrorReport(tag, DescribeFailure(failure), line);
    }
};

}  // namespace

FailureReporter& ErrorReportBoxes() {
    static ErrorReportBoxReporter boxes;
    return boxes;
}

}  // namespace tarnwick::app
