#include <gtest/gtest.h>

#include "tests/support/QtPrinting.h"

#include "app/ProgramEnd.h"
#include "app/UnguardedProcedure.h"
#include "app/core/FailureDescription.h"
#include "app/core/GuardedProcedure.h"
#include "db/DbError.h"
#include "tests/support/RecordingMessageBoxService.h"

using namespace tarnwick::app;
using tarnwick::test::RecordingMessageBoxService;

namespace {

// The line a recorded report names, read back from its text.
int ReportedLine(const QString& text) {
    const qsizetype at = text.indexOf("at line ");
    return text.mid(at + 8, text.indexOf('\r', at) - at - 8).toInt();
}

}  // namespace

TEST(GuardedProcedure, ReportsAFailingStepAndGoesOnWithTheNext) {
    RecordingMessageBoxService boxes;
    GuardedProcedure proc("Form2.PushButton3_Click");
    std::vector<int> ran;
    proc.Step(100, [&] { ran.push_back(100); });
    proc.Step(102, [&] {
        throw tarnwick::db::DbError("[ma-3.1.15]Table 'shop.x' doesn't exist", "42S02");
    });
    proc.Step(104, [&] { ran.push_back(104); });
    proc.Step(106, [&] { throw tarnwick::app::Failure("second failure"); });
    proc.Step(108, [&] { ran.push_back(108); });

    EXPECT_EQ(ran, (std::vector<int>{100, 104, 108}));
    EXPECT_EQ(proc.FailureCount(), 2);
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_TRUE(boxes.boxes[0].text.startsWith(
        "[ma-3.1.15]Table 'shop.x' doesn't exist\r\nin Quillomer2021/08/31.Form2.PushButton3_Click "
        "at line 102\r\r"));
    EXPECT_TRUE(boxes.boxes[1].text.startsWith("second failure\r\n"));
    EXPECT_EQ(ReportedLine(boxes.boxes[1].text), 106);
}

TEST(GuardedProcedure, AFailingConditionEntersTheBranch) {
    RecordingMessageBoxService boxes;
    GuardedProcedure proc("Form1.Form_Load");
    bool probed = false;
    if (proc.Test(138, [&]() -> bool { throw tarnwick::app::Failure("cannot read field"); })) {
        if (proc.Test(140, [&] {
                probed = true;
                return false;
            }))
            FAIL() << "false condition entered";
    }
    EXPECT_TRUE(probed);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(ReportedLine(boxes.boxes[0].text), 138);
}

TEST(GuardedProcedure, AFailingLoopTestLeavesTheLoopAfterOneReport) {
    RecordingMessageBoxService boxes;
    GuardedProcedure proc("Form4.PushButton2_Click");
    int turns = 0;
    while (proc.LoopTest(128, [&]() -> bool {
        if (turns == 2)
            throw tarnwick::app::Failure("Operation is not allowed when the object is closed.");
        return true;
    })) {
        ++turns;
    }
    bool after = false;
    proc.Step(136, [&] { after = true; });
    EXPECT_EQ(turns, 2);
    EXPECT_TRUE(after);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(ReportedLine(boxes.boxes[0].text), 128);
}

TEST(GuardedProcedure, DescribesFailuresThatAreNotStandardExceptions) {
    RecordingMessageBoxService boxes;
    GuardedProcedure proc("Form3.Form_Load");
    proc.Step(100, [] { throw 42; });
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_TRUE(boxes.boxes[0].text.startsWith("Unknown failure\r\n"));
}

TEST(UnguardedProcedure, AFailureIsReportedOnceAndEndsTheProgram) {
    RecordingMessageBoxService boxes;
    std::vector<int> exitCodes;
    ProgramEndHandlerScope endScope([&](int code) { exitCodes.push_back(code); });
    bool secondHalf = false;
    RunUnguarded("Form3.List1_DblClick", [&] {
        throw tarnwick::app::Failure("list refused the item");
        secondHalf = true;
    });
    EXPECT_FALSE(secondHalf);
    EXPECT_EQ(exitCodes, std::vector<int>{1});
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].caption, "Application Error");
    EXPECT_EQ(boxes.boxes[0].icon, MessageIcon::Warning);
    EXPECT_TRUE(boxes.boxes[0].text.startsWith(
        "list refused the item\r\nin Quillomer2021/08/31.Form3.List1_DblClick \r\r"));

    // Without a failure nothing is shown and the program goes on.
    RunUnguarded("Form1.Text1_Change", [] {});
    EXPECT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(exitCodes.size(), 1u);
}
