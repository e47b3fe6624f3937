// Runs against a private MariaDB started with --innodb-force-primary-key=ON.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QProcess>
#include <QPushButton>

#include "tests/support/QtPrinting.h"

#include "db/StatementObserver.h"
#include "pages/DataGrid.h"
#include "pages/Form4.h"
#include "tests/gui/PageTest.h"
#include "tests/support/RecordedRun.h"
#include "tests/support/RunStatements.h"
#include "tests/support/TestServer.h"

using namespace tarnwick;
using test::RecordedRun;
using test::RunDedupe;
using test::TestServer;

namespace {

db::ConnectionSettings TableWithRepeats() {
    auto db = TestServer::FreshDatabaseForThisTest();
    EXPECT_EQ(TestServer::Rows(db, "SELECT @@innodb_force_primary_key;"), QStringList{"1"});
    TestServer::Run(db.database, {"CREATE TABLE t (id INT PRIMARY KEY, k INT);",
                                  "INSERT INTO t VALUES (1, 1), (2, 1), (3, 2);"});
    return db;
}

}  // namespace

// The new table is a copy without any key, which such a server refuses to create: the run says
// so before it changes anything.
TEST(PrimaryKeyServer, TheRunIsRefusedBeforeAnythingChanges) {
    const auto db = TableWithRepeats();
    const RecordedRun run = RunDedupe(db, "t", {"k"}, "t2");
    ASSERT_TRUE(run.outcome.Refused());
    EXPECT_TRUE(run.outcome.refusal->startsWith(
        "This server requires a primary key on every table (innodb_force_primary_key is ON)"))
        << run.outcome.refusal->toStdString();
    EXPECT_TRUE(run.reports.isEmpty()) << run.reports.join("\n").toStdString();
    EXPECT_EQ(run.statements, test::RunSessionStatements());
    EXPECT_EQ(TestServer::Rows(db, "SHOW TABLES;"), QStringList{"t"});

    QProcess tool;
    tool.start(TARNWICK_DEDUPE_PATH, {"--server", db.server, "--port", db.port, "--user", db.user,
                                      "--password", db.password, "--database", db.database,
                                      "--table", "t", "--key", "k", "--into", "t2"});
    ASSERT_TRUE(tool.waitForFinished(60'000));
    EXPECT_EQ(tool.exitCode(), 2);
    EXPECT_TRUE(tool.readAllStandardError().contains("requires a primary key on every table"));
    EXPECT_TRUE(tool.readAllStandardOutput().startsWith("refused in "));
    EXPECT_EQ(TestServer::Rows(db, "SHOW TABLES;"), QStringList{"t"});
}

class PrimaryKeyWindows : public test::PageTest {};

TEST_F(PrimaryKeyWindows, ARefusedFinishOpensOneConnectionSaysWhyAndStaysFinish) {
    const auto db = TableWithRepeats();
    pages::Form4& form4 = OnResultPage(db, "t", {"k"});
    const auto connections = [&] {
        return TestServer::Rows(db, "SHOW GLOBAL STATUS LIKE 'Connections';")
            .value(0)
            .section('|', 1)
            .toInt();
    };
    QStringList sent;
    const int before = connections();
    {
        db::StatementObserverScope observer([&](const QString& s) { sent << s; });
        Click(form4, "PushButton4");
    }
    // One connection for Finish, one for counting.
    EXPECT_EQ(connections() - before, 2);
    EXPECT_EQ(sent, test::RunSessionStatements());
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_NE(boxes.boxes[0].caption, "Application Error");
    EXPECT_TRUE(boxes.boxes[0].text.contains("requires a primary key on every table"));
    EXPECT_EQ(form4.PushButton4().text(), "Finish");
    EXPECT_EQ(form4.cursor().shape(), Qt::ArrowCursor);
    EXPECT_TRUE(GridRows(form4.DataGrid1()).isEmpty());
    EXPECT_EQ(TestServer::Rows(db, "SHOW TABLES;"), QStringList{"t"});
    EXPECT_TRUE(exitCodes.empty());
}

// The fast plan's copy keeps the chosen table's primary key, which such a server accepts; a table
// without a key it can keep is refused as before.
TEST(PrimaryKeyServer, TheFastPlanRunsWhereItKeepsTheChosenTablesKey) {
    const auto db = TableWithRepeats();
    const RecordedRun run = RunDedupe(db, "t", {"k"}, "t2", {}, {engine::RunPlan::Fast});
    EXPECT_FALSE(run.outcome.Refused());
    EXPECT_TRUE(run.reports.isEmpty()) << run.reports.join("\n").toStdString();
    EXPECT_EQ(TestServer::Rows(db, "SELECT id FROM t2 ORDER BY id;"), (QStringList{"1", "3"}));
    // So does a copy made like the chosen table, which has its key from the start.
    const RecordedRun like =
        RunDedupe(db, "t", {"k"}, "t3", {}, {engine::RunPlan::Fast, 0, 0, true});
    EXPECT_TRUE(like.reports.isEmpty()) << like.reports.join("\n").toStdString();
    EXPECT_EQ(like.statements.filter(" LIKE `t`;").size(), 1);
    EXPECT_EQ(TestServer::Rows(db, "SELECT id FROM t3 ORDER BY id;"), (QStringList{"1", "3"}));
    // Without --fast the run's first copy has no key, even when the result would have one.
    const RecordedRun plainFirst =
        RunDedupe(db, "t", {"k"}, "t4", {}, {engine::RunPlan::Wizard, 0, 0, true});
    ASSERT_TRUE(plainFirst.outcome.Refused());
    EXPECT_TRUE(plainFirst.outcome.refusal->contains("the run's first copy"))
        << plainFirst.outcome.refusal->toStdString();

    TestServer::Run(db.database, {"CREATE TABLE c (a INT, b INT, k INT, PRIMARY KEY (a, b));",
                                  "INSERT INTO c VALUES (1, 1, 1), (1, 2, 1);"});
    const RecordedRun refused = RunDedupe(db, "c", {"k"}, "c2", {}, {engine::RunPlan::Fast});
    ASSERT_TRUE(refused.outcome.Refused());
    EXPECT_TRUE(refused.outcome.refusal->contains("innodb_force_primary_key is ON"));
    EXPECT_TRUE(refused.statements.filter("CREATE").isEmpty());
}
