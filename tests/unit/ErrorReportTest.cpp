#include <gtest/gtest.h>

#include "tests/support/QtPrinting.h"

#include "app/core/ErrorReport.h"
#include "tests/support/RecordingMessageBoxService.h"

using namespace Qt::Literals::StringLiterals;

using namespace tarnwick::app;
using tarnwick::test::RecordingMessageBoxService;

TEST(ErrorReport, TextIsBuiltByteForByte) {
    const QString tag = ProcedureTag("Form1.Form_Load");
    EXPECT_EQ(tag, "in Quillomer2021/08/31.Form1.Form_Load ");
    EXPECT_EQ(ErrorReportText(tag, "Access denied", 124),
              "Access denied\r\nin Quillomer2021/08/31.Form1.Form_Load at line 124\r\r"
              "Please email screenshot of this message to support@corvenna.example");
    // An empty description leaves the first line empty; the second still starts with "in ".
    EXPECT_TRUE(ErrorReportText(tag, "", 100)
                    .startsWith("\r\nin Quillomer2021/08/31.Form1.Form_Load at line 100\r\r"));
}

TEST(ErrorReport, IsShownWithItsCaptionAndTheWarningIcon) {
    RecordingMessageBoxService boxes;
    ShowErrorReport(ProcedureTag("Form4.PushButton4_Click"), u"Table 'x' doesn't exist"_s, 154);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].caption, "Application Error");
    EXPECT_EQ(boxes.boxes[0].icon, MessageIcon::Warning);
    EXPECT_EQ(
        boxes.boxes[0].text,
        "Table 'x' doesn't exist\r\nin Quillomer2021/08/31.Form4.PushButton4_Click at line 154\r\r"
        "Please email screenshot of this message to support@corvenna.example");
}

TEST(MessageBoxService, PlainTextLineBreaksBecomeNewlines) {
    EXPECT_EQ(WithPlatformLineBreaks("a\r\nb\r\rc\rd\ne"), "a\nb\n\nc\nd\ne");
}
