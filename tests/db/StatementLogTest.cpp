// Runs against a private MariaDB started with --log-bin --binlog-format=STATEMENT.
#include <gtest/gtest.h>

#include "tests/support/QtPrinting.h"

#include "app/core/GuardedProcedure.h"
#include "db/StatementObserver.h"
#include "engine/DeduplicationRun.h"
#include "tests/support/DedupeTool.h"
#include "tests/support/RecordingMessageBoxService.h"
#include "tests/support/TestServer.h"

using namespace tarnwick;
using test::RecordingMessageBoxService;
using test::TestServer;

namespace {

// A run over a table with one duplicate, as the result page's Finish makes it.
struct LoggedRun {
    engine::RunOutcome outcome;
    QStringList statements;
};
LoggedRun RunOnOrders(const db::ConnectionSettings& login) {
    RecordingMessageBoxService boxes;
    LoggedRun logged;
    db::StatementObserverScope observer([&](const QString& s) { logged.statements << s; });
    app::GuardedProcedure proc("Form4.PushButton4_Click");
    engine::DeduplicationRun run(proc, {});
    logged.outcome = run.Run({login, "orders", {"name"}, "orders2"});
    for (const auto& box : boxes.boxes) ADD_FAILURE() << box.text.toStdString();
    return logged;
}

}  // namespace

// Such a server cannot log a copy made at READ COMMITTED. The run's session logs rows instead, so
// that the copy reads without locks as everywhere else: a writer does not wait for it.
TEST(StatementLog, TheRunLogsRowsAndCopiesWithoutLocks) {
    auto db = TestServer::FreshDatabaseForThisTest();
    ASSERT_EQ(TestServer::Rows(db, "SELECT @@log_bin, @@binlog_format;"),
              QStringList{"1|STATEMENT"});
    TestServer::Run(db.database, {"CREATE TABLE orders (id INT, name VARCHAR(9));",
                                  "INSERT INTO orders VALUES (1, 'a'), (2, 'a'), (3, 'b');"});
    const LoggedRun run = RunOnOrders(db);
    EXPECT_TRUE(run.outcome.Succeeded());
    EXPECT_EQ(run.statements.count("SET SESSION binlog_format = 'ROW';"), 1);
    EXPECT_EQ(run.statements.filter("AS SELECT * from `orders`").size(), 1);
    EXPECT_EQ(TestServer::Rows(db, "SELECT id FROM orders2;"), (QStringList{"1", "3"}));

    test::ExpectAWriterDuringTheCopyNotToWait(db);
}

// An account that may not choose its log's format (it lacks BINLOG ADMIN) copies at the server's
// own level instead, and every later statement works as usual.
TEST(StatementLog, AnAccountThatMayNotLogRowsCopiesAtTheServersOwnLevelAndCompletes) {
    auto db = TestServer::FreshDatabaseForThisTest();
    TestServer::Run(db.database, {"CREATE TABLE orders (id INT, name VARCHAR(9));",
                                  "INSERT INTO orders VALUES (1, 'a'), (2, 'a'), (3, 'b');"});
    const QString before = TestServer::Checksum(db, "orders");
    const auto owner = TestServer::Account(
        "log_owner", db.database, {"GRANT ALL PRIVILEGES ON `" + db.database + "`.* TO {account}"});
    const LoggedRun run = RunOnOrders(owner);
    EXPECT_TRUE(run.outcome.Succeeded());
    const QString copy =
        "CREATE TABLE `" + run.outcome.scratchTable + "` AS SELECT * from `orders`;";
    EXPECT_EQ(run.statements.count(copy), 2) << run.statements.join("\n").toStdString();
    EXPECT_EQ(run.statements.filter("DELETE").size(), 1);
    EXPECT_EQ(TestServer::Rows(db, "SELECT id FROM orders2;"), (QStringList{"1", "3"}));
    EXPECT_EQ(TestServer::Checksum(db, "orders"), before);
}
