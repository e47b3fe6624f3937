// Runs against a private MariaDB started with --auto-increment-increment=2
// --auto-increment-offset=2, as one side of a two-primary pair is set up.
#include <gtest/gtest.h>

#include <QPushButton>

#include "tests/support/QtPrinting.h"

#include "pages/DataGrid.h"
#include "pages/Form4.h"
#include "tests/gui/PageTest.h"
#include "tests/support/RecordedRun.h"
#include "tests/support/TestServer.h"

using namespace tarnwick;
using test::RecordedRun;
using test::RunDedupe;
using test::TestServer;

namespace {

// 10,000 rows whose key k repeats every 3,000 rows: the first 3,000 rows stay.
db::ConnectionSettings TableWithRepeats() {
    auto db = TestServer::FreshDatabaseForThisTest();
    EXPECT_EQ(TestServer::Rows(db, "SELECT @@auto_increment_increment, @@auto_increment_offset;"),
              QStringList{"2|2"});
    TestServer::Run(db.database, {"CREATE TABLE t (id INT, k INT);",
                                  "INSERT INTO t SELECT seq, seq % 3000 FROM seq_1_to_10000;"});
    return db;
}

}  // namespace

TEST(AutoIncrementServer, TheRunNumbersItsCopyFromOneByOneAndDeletesExactlyTheLaterRows) {
    const auto db = TableWithRepeats();
    const QString before = TestServer::Checksum(db, "t");
    const RecordedRun run = RunDedupe(db, "t", {"k"}, "t2");
    EXPECT_TRUE(run.reports.isEmpty()) << run.reports.join("\n").toStdString();
    EXPECT_TRUE(run.outcome.Succeeded());
    EXPECT_EQ(run.outcome.rowsCopied, 10000);
    EXPECT_EQ(run.outcome.duplicatesRemoved, 7000);
    // The session's own numbering: the highest row is 10000, the later rows go highest first.
    const QStringList deletes = run.statements.filter("DELETE");
    ASSERT_FALSE(deletes.isEmpty());
    EXPECT_TRUE(deletes[0].contains("IN (10000, 9999, 9998, "))
        << deletes[0].left(120).toStdString();
    EXPECT_EQ(TestServer::Rows(db, "SELECT COUNT(*), MIN(id), MAX(id), COUNT(DISTINCT k) FROM t2;"),
              QStringList{"3000|1|3000|3000"});
    EXPECT_EQ(TestServer::Checksum(db, "t"), before);
}

class AutoIncrementWindows : public test::PageTest {};

TEST_F(AutoIncrementWindows, FinishShowsTheFirstRowOfEachGroup) {
    const auto db = TableWithRepeats();
    pages::Form4& form4 = OnResultPage(db, "t", {"k"});
    Click(form4, "PushButton4");
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(form4.PushButton4().text(), "Exit");
    const QStringList rows = GridRows(form4.DataGrid1());
    ASSERT_EQ(rows.size(), 3000);
    EXPECT_EQ(rows.first(), "1|1");
    EXPECT_EQ(rows.last(), "3000|0");
}
