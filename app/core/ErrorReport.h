#pragma once

#include <QString>

namespace tarnwick::app {

inline constexpr char16_t kErrorReportCaption[] = u"Application Error";
inline constexpr char16_t kSupportAddress[] = u"support@corvenna.example";

// "in Quillomer2021/08/31." + procedure + " ", e.g. ProcedureTag(u"Form1.Form_Load").
QString ProcedureTag(const QString& procedure);

// "Please email screenshot of this message to " + the support address.
QString SupportSentence();

// description CR LF tag "at line " line CR CR "Please email screenshot of this message to" address.
QString ErrorReportText(const QString& tag, const QString& description, int line);

// Shows the report as a modal box (caption "Application Error", OK, the warning icon) and returns
// when it is acknowledged.
void ShowErrorReport(const QString& tag, const QString& description, int line);

}  // namespace tarnwick::app
