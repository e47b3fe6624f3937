// Runs against a private MariaDB started with --log-bin --binlog-format=STATEMENT.
#include <gtest/gtest.h>

#include "tests/support/QtPrinting.h"

#include "app/core/GuardedProcedure.h"
#include "db/StatementObserver.h"
#include "engine/DeduplicationRun.h"
#include "tests/support/RecordingMessageBoxService.h"
#include "tests/support/TestServer.h"

using namespace tarnwick;
using test::RecordingMessageBoxService;
using test::TestServer;

// Such a server cannot log a copy made at READ COMMITTED; the run copies at the server's own
// level instead, and every later statement works as usual.
TEST(StatementLog, TheRunCopiesAtTheServersOwnLevelAndCompletes) {
    auto db = TestServer::FreshDatabaseForThisTest();
    ASSERT_EQ(TestServer::Rows(db, "SELECT @@log_bin, @@binlog_format;"),
              QStringList{"1|STATEMENT"});
    TestServer::Run(db.database, {"CREATE TABLE orders (id INT, name VARCHAR(9));",
                                  "INSERT INTO orders VALUES (1, 'a'), (2, 'a'), (3, 'b');"});
    const QString before = TestServer::Checksum(db, "orders");

    RecordingMessageBoxService boxes;
    QStringList statements;
    db::StatementObserverScope observer([&](const QString& s) { statements << s; });
    app::GuardedProcedure proc("Form4.PushButton4_Click");
    engine::DeduplicationRun run(proc, {});
    const engine::RunOutcome outcome = run.Run({db, "orders", {"name"}, "orders2"});

    for (const auto& box : boxes.boxes) ADD_FAILURE() << box.text.toStdString();
    EXPECT_TRUE(outcome.Succeeded());
    const QString copy = "CREATE TABLE `" + outcome.scratchTable + "` AS SELECT * from `orders`;";
    EXPECT_EQ(statements.count(copy), 2) << statements.join("\n").toStdString();
    EXPECT_EQ(statements.filter("DELETE").size(), 1);
    EXPECT_EQ(TestServer::Rows(db, "SELECT id FROM orders2;"), (QStringList{"1", "3"}));
    EXPECT_EQ(TestServer::Checksum(db, "orders"), before);
}
