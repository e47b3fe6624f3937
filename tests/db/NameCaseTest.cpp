// Runs against a private MariaDB started with --lower-case-table-names=1, as servers on Windows
// run by default: table names are stored in lower case and compared without letter case.
#include <gtest/gtest.h>

#include "tests/support/QtPrinting.h"

#include "engine/DeduplicationRun.h"
#include "engine/TableSurvey.h"
#include "tests/support/RecordedRun.h"
#include "tests/support/RunStatements.h"
#include "tests/support/TestServer.h"

using namespace tarnwick;
using test::RecordedRun;
using test::RunDedupe;
using test::Scratch;
using test::TestServer;

TEST(NameCase, ANewNameInAnotherLetterCaseReplacesTheTableItNamesAndRefusesAView) {
    auto db = TestServer::FreshDatabaseForThisTest();
    ASSERT_EQ(TestServer::Rows(db, "SELECT @@lower_case_table_names;"), QStringList{"1"});
    TestServer::Run(db.database, {"CREATE TABLE orders (id INT, name VARCHAR(9));",
                                  "INSERT INTO orders VALUES (1, 'a'), (2, 'a'), (3, 'b');",
                                  "CREATE TABLE orders_clean (something TEXT);",
                                  "INSERT INTO orders_clean VALUES ('replaced');",
                                  "CREATE VIEW shown AS SELECT id FROM orders;"});
    const QString before = TestServer::Checksum(db, "orders");

    const RecordedRun run = RunDedupe(db, "orders", {"name"}, "Orders_Clean");
    EXPECT_TRUE(run.reports.isEmpty()) << run.reports.join("\n").toStdString();
    EXPECT_TRUE(run.outcome.Succeeded());
    EXPECT_EQ(run.statements.mid(2, 3), test::SurveyStatements("orders"));
    EXPECT_TRUE(run.statements.contains("RENAME TABLE `Orders_Clean` TO " + test::Retired(run) +
                                        ", " + Scratch(run) + " TO `Orders_Clean`;"))
        << run.statements.join("\n").toStdString();
    EXPECT_EQ(TestServer::Rows(db, "SELECT id FROM orders_clean;"), (QStringList{"1", "3"}));
    EXPECT_EQ(TestServer::Rows(db, "SHOW TABLES;"),
              (QStringList{"orders", "orders_clean", "shown"}));
    EXPECT_EQ(TestServer::Checksum(db, "orders"), before);

    // A view's name in another case is still a view's name: refused before anything changes.
    const auto refusal = RunDedupe(db, "orders", {"name"}, "SHOWN").outcome.refusal;
    ASSERT_TRUE(refusal.has_value());
    EXPECT_TRUE(refusal->contains("that is the name of a view")) << refusal->toStdString();
}
