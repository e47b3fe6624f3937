// Runs against a private MariaDB started with --sql-select-limit=1000 --max-join-size=1000000
// --max-allowed-packet=16384: a managed server's limits on what a session may read and send.
#include <gtest/gtest.h>

#include <QPushButton>

#include "tests/support/QtPrinting.h"

#include "pages/DataGrid.h"
#include "pages/Form3.h"
#include "pages/Form4.h"
#include "pages/Wizard.h"
#include "tests/gui/PageTest.h"
#include "tests/support/RecordedRun.h"
#include "tests/support/TestServer.h"

using namespace tarnwick;
using test::RecordedRun;
using test::RunDedupe;
using test::TestServer;

namespace {

constexpr int kRows = 30000;

// 30,000 rows whose key k repeats every 10,000 rows: the first 10,000 rows stay. Checked with
// one-row answers, which no select limit cuts.
db::ConnectionSettings TableWithRepeats() {
    auto db = TestServer::FreshDatabaseForThisTest();
    EXPECT_EQ(TestServer::Rows(db, "SELECT @@sql_select_limit, @@max_allowed_packet;"),
              QStringList{"1000|16384"});
    TestServer::Run(db.database, {"CREATE TABLE t (id INT, k INT);",
                                  "INSERT INTO t SELECT seq, seq % 10000 FROM seq_1_to_" +
                                      QString::number(kRows) + ";"});
    return db;
}

}  // namespace

TEST(LimitsServer, TheRunReadsEveryKeyAndSendsDeletesTheServerTakes) {
    const auto db = TableWithRepeats();
    const QString before = TestServer::Checksum(db, "t");
    const RecordedRun run = RunDedupe(db, "t", {"k"}, "t2");
    EXPECT_TRUE(run.reports.isEmpty()) << run.reports.join("\n").toStdString();
    EXPECT_TRUE(run.outcome.Succeeded());
    EXPECT_EQ(run.outcome.rowsRead, kRows);
    EXPECT_EQ(run.outcome.duplicatesRemoved, 20000);
    const QStringList deletes = run.statements.filter("DELETE");
    EXPECT_GT(deletes.size(), 2);  // 10,000 numbers a statement would have made two
    for (const QString& statement : deletes) EXPECT_LE(statement.toUtf8().size(), 16384 - 64);
    EXPECT_EQ(TestServer::Rows(db, "SELECT COUNT(*), MIN(id), MAX(id), COUNT(DISTINCT k) FROM t2;"),
              QStringList{"10000|1|10000|10000"});
    // The grid's row set holds every row of the new table.
    ASSERT_TRUE(run.outcome.preview);
    EXPECT_EQ(run.outcome.preview->RecordCount(), 10000);
    EXPECT_EQ(TestServer::Checksum(db, "t"), before);
}

class LimitsWindows : public test::PageTest {};

TEST_F(LimitsWindows, TheResultAndBackShowEveryRow) {
    const auto db = TableWithRepeats();
    pages::Form4& form4 = OnResultPage(db, "t", {"k"});
    Click(form4, "PushButton4");
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(form4.DataGrid1().TotalRows(), 10000);
    Click(form4, "PushButton2");  // "< Back": the whole chosen table
    ASSERT_TRUE(wizard->FieldPage().isVisible());
    EXPECT_EQ(wizard->FieldPage().DataGrid1().TotalRows(), kRows);
    EXPECT_TRUE(boxes.boxes.empty());
}
