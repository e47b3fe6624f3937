#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>
#include <QSet>

#include "tests/support/QtPrinting.h"

#include "app/core/GuardedProcedure.h"
#include "db/Identifier.h"
#include "db/RowSet.h"
#include "db/StatementObserver.h"
#include "engine/DeduplicationRun.h"
#include "engine/RunSummary.h"
#include "engine/Statements.h"
#include "tests/support/RecordedRun.h"
#include "tests/support/RecordingMessageBoxService.h"
#include "tests/support/RunStatements.h"
#include "tests/support/TestServer.h"

using namespace tarnwick;
using namespace Qt::Literals::StringLiterals;
using test::RecordedRun;
using test::RecordingMessageBoxService;
using test::RunDedupe;
using test::Scratch;
using test::TestServer;

namespace {

const QString kTemp = "TEMP_COLUMN_CREATED_BY_QUARNETT";

}  // namespace

TEST(DeduplicationRun, SendsTheStatementsInOrderAndKeepsTheFirstRowOfEachGroup) {
    auto db = TestServer::FreshDatabaseForThisTest();
    TestServer::Run(db.database,
                    {"CREATE TABLE orders (id INT PRIMARY KEY, name VARCHAR(20), city VARCHAR(20), "
                     "amount DECIMAL(8,2));",
                     "INSERT INTO orders VALUES (1,'Ann','Rome',1.50), (2,'Ann','Rome',2.00), "
                     "(3,'Bob','Oslo',NULL), (4,'Ann','Oslo',4.00), (5,'Bob','Oslo',5.25), "
                     "(6,'Cid','Rome',6.00);"});
    const QString before = TestServer::Checksum(db, "orders");

    const RecordedRun run = RunDedupe(db, "orders", {"name", "city"}, "orders2");

    // The statements keep their texts and order, with the run's scratch table in place of the new
    // table until the finished copy takes the new name.
    const QString s = Scratch(run);
    EXPECT_TRUE(QRegularExpression("^`tarnwick_scratch_\\d{14}_[0-9a-f]{16}`$").match(s).hasMatch())
        << s.toStdString();
    EXPECT_EQ(run.statements, tarnwick::test::OrdersRunStatements(s));
    EXPECT_TRUE(run.reports.isEmpty()) << run.reports.join("\n").toStdString();
    EXPECT_TRUE(run.outcome.Succeeded());
    EXPECT_EQ(run.outcome.place, engine::ResultPlace::NewTable);
    EXPECT_EQ(TestServer::Rows(db, "SHOW TABLES;"), (QStringList{"orders", "orders2"}));
    EXPECT_EQ(run.outcome.rowsRead, 6);
    EXPECT_EQ(run.outcome.duplicatesFound, 2);
    EXPECT_EQ(run.outcome.duplicatesRemoved, 2);

    // The grid's row set: the chosen table's columns in order, the kept rows in order.
    ASSERT_TRUE(run.outcome.preview && run.outcome.preview->IsOpen());
    const auto& preview = *run.outcome.preview;
    ASSERT_EQ(preview.FieldCount(), 4);
    EXPECT_EQ(preview.FieldName(0), "id");
    EXPECT_EQ(preview.FieldName(3), "amount");
    EXPECT_EQ(
        TestServer::Rows(db, "SELECT * FROM `orders2`;"),
        (QStringList{"1|Ann|Rome|1.50", "3|Bob|Oslo|NULL", "4|Ann|Oslo|4.00", "6|Cid|Rome|6.00"}));
    EXPECT_EQ(preview.RecordCount(), 4);
    EXPECT_EQ(TestServer::Checksum(db, "orders"), before);
}

TEST(DeduplicationRun, KeysCompareExactlyAndUnambiguously) {
    auto db = TestServer::FreshDatabaseForThisTest();
    // A case-insensitive, PAD SPACE collation: the server itself would call these equal.
    TestServer::Run(db.database,
                    {"CREATE TABLE t (n INT, a VARCHAR(20), b VARCHAR(20)) "
                     "COLLATE utf8mb4_general_ci;",
                     "INSERT INTO t VALUES (1,'x','y'), (2,'X','y'), (3,'x ','y'), (4,'x','y'), "
                     "(5,NULL,'z'), (6,'','z'), (7,'a, b','c'), (8,'a','b, c'), (9,'a, b','c');"});
    const RecordedRun run = RunDedupe(db, "t", {"a", "b"}, "t2");
    EXPECT_TRUE(run.reports.isEmpty());
    // 4 repeats 1; 6 repeats 5 (NULL and empty text are the same key); 9 repeats 7.
    EXPECT_EQ(run.statements.filter("DELETE"),
              QStringList{"DELETE FROM " + Scratch(run) + " WHERE `" + kTemp + "` IN (9, 6, 4)"});
    EXPECT_EQ(TestServer::Rows(db, "SELECT n FROM t2;"),
              (QStringList{"1", "2", "3", "5", "7", "8"}));
}

TEST(DeduplicationRun, HandlesEmptyTablesTablesWithoutDuplicatesAndRepeatedKeys) {
    auto db = TestServer::FreshDatabaseForThisTest();
    TestServer::Run(
        db.database,
        {"CREATE TABLE empty (a INT, b TEXT);", "CREATE TABLE distinct_rows (a INT);",
         "INSERT INTO distinct_rows VALUES (3), (1), (2);", "CREATE TABLE xs (k CHAR(1), n INT);",
         "INSERT INTO xs VALUES ('x', 1), ('x', 2), ('x', 3);"});

    RecordedRun run = RunDedupe(db, "empty", {"a"}, "empty2");
    EXPECT_TRUE(run.reports.isEmpty());
    EXPECT_TRUE(run.statements.filter("DELETE").isEmpty());
    EXPECT_EQ(run.outcome.preview->RecordCount(), 0);
    EXPECT_EQ(run.outcome.preview->FieldCount(), 2);

    run = RunDedupe(db, "distinct_rows", {"a"}, "distinct2");
    EXPECT_TRUE(run.statements.filter("DELETE").isEmpty());
    EXPECT_EQ(TestServer::Rows(db, "SELECT a FROM distinct2;"), (QStringList{"3", "1", "2"}));

    run = RunDedupe(db, "xs", {"k"}, "xs2");
    EXPECT_EQ(run.statements.filter("DELETE"),
              QStringList{"DELETE FROM " + Scratch(run) + " WHERE `" + kTemp + "` IN (3, 2)"});
    EXPECT_EQ(TestServer::Rows(db, "SELECT * FROM xs2;"), QStringList{"x|1"});
}

TEST(DeduplicationRun, ReplacesAnotherTableOfTheNewName) {
    auto db = TestServer::FreshDatabaseForThisTest();
    TestServer::Run(db.database,
                    {"CREATE TABLE t (a INT);", "INSERT INTO t VALUES (1), (1), (2);",
                     "CREATE TABLE old (something TEXT);", "INSERT INTO old VALUES ('gone');"});
    const QString before = TestServer::Checksum(db, "t");
    const RecordedRun run = RunDedupe(db, "t", {"a"}, "old");
    EXPECT_TRUE(run.reports.isEmpty());
    EXPECT_EQ(TestServer::Rows(db, "SELECT * FROM old;"), (QStringList{"1", "2"}));
    EXPECT_EQ(TestServer::Rows(db, "SHOW COLUMNS FROM old;").size(), 1);
    // The old table steps aside in the same statement that brings the result in, and goes after.
    const QString retired = test::Retired(run);
    EXPECT_EQ(run.statements.mid(run.statements.size() - 4),
              (QStringList{"RENAME TABLE `old` TO " + retired + ", " + Scratch(run) + " TO `old`;",
                           "DROP TABLE " + retired + ";", test::kPreviewTimeZone,
                           "SELECT * FROM `old` LIMIT 0, 1024;"}));
    EXPECT_EQ(TestServer::Rows(db, "SHOW TABLES;"), (QStringList{"old", "t"}));
    EXPECT_EQ(TestServer::Checksum(db, "t"), before);
}

// Here table names keep their letter case: a name that differs from an existing table's only in
// case is a table of its own, and the other stays as it was.
TEST(DeduplicationRun, ANameThatDiffersOnlyInLetterCaseIsAnotherTableOnThisServer) {
    auto db = TestServer::FreshDatabaseForThisTest();
    TestServer::Run(db.database,
                    {"CREATE TABLE t (a INT);", "INSERT INTO t VALUES (1), (1), (2);",
                     "CREATE TABLE old (something TEXT);", "INSERT INTO old VALUES ('kept');"});
    const RecordedRun run = RunDedupe(db, "t", {"a"}, "Old");
    EXPECT_TRUE(run.reports.isEmpty()) << run.reports.join("\n").toStdString();
    EXPECT_EQ(run.statements.mid(2, 3), test::SurveyStatements("t"));
    EXPECT_TRUE(run.statements.contains("RENAME TABLE " + Scratch(run) + " TO `Old`;"));
    EXPECT_EQ(TestServer::Rows(db, "SELECT * FROM Old;"), (QStringList{"1", "2"}));
    EXPECT_EQ(TestServer::Rows(db, "SELECT * FROM old;"), QStringList{"kept"});
}

TEST(DeduplicationRun, KeepsTheFirstRowInTableOrderWhenAnIndexCoversTheKeys) {
    auto db = TestServer::FreshDatabaseForThisTest();
    // With an index on (name, city) the server returns the key columns alone in index order,
    // the whole rows in id order; the kept rows must be the earliest ids of each group.
    TestServer::Run(db.database,
                    {"CREATE TABLE people (id INT AUTO_INCREMENT PRIMARY KEY, name VARCHAR(20), "
                     "city VARCHAR(20), note VARCHAR(20), INDEX name_city (name, city));",
                     "INSERT INTO people (name, city, note) VALUES ('Zoe','Oslo','first zoe'), "
                     "('Adam','Rome','first adam'), ('Zoe','Oslo','second zoe'), "
                     "('Adam','Rome','second adam'), ('Mia','Bern','only mia'), "
                     "('Adam','Rome','third adam');"});
    const RecordedRun run = RunDedupe(db, "people", {"name", "city"}, "people2");
    EXPECT_TRUE(run.reports.isEmpty());
    EXPECT_EQ(TestServer::Rows(db, "SELECT id, note FROM people2 ORDER BY id;"),
              (QStringList{"1|first zoe", "2|first adam", "5|only mia"}));
}

TEST(DeduplicationRun, WorksWithBlanksBackticksAndNonAsciiLettersInNames) {
    auto db = TestServer::FreshDatabaseForThisTest();
    const QString table = u"Kunden `Liste` Zürich"_s;
    const QString field = u"Straße `x`"_s;
    const QString newTable = u"Kunden 2 ` ü"_s;
    TestServer::Run(
        db.database,
        {"CREATE TABLE " + db::QuoteIdentifier(table) + " (" + db::QuoteIdentifier(field) +
             " VARCHAR(20), `ort, plz` VARCHAR(20));",
         "INSERT INTO " + db::QuoteIdentifier(table) +
             u" VALUES ('Große', 'Köln'), ('Große', 'Köln'), ('Große', 'Kö'), ('東京', '1');"_s});
    const RecordedRun run = RunDedupe(db, table, {field, "ort, plz"}, newTable);
    EXPECT_TRUE(run.reports.isEmpty()) << run.reports.join("\n").toStdString();
    EXPECT_EQ(run.statements.value(9),
              tarnwick::test::FirstKeySlice(Scratch(run), u"`Straße ``x```, `ort, plz`"_s));
    EXPECT_EQ(run.statements.value(12), "RENAME TABLE " + Scratch(run) + u" TO `Kunden 2 `` ü`;"_s);
    EXPECT_EQ(TestServer::Rows(db, "SELECT * FROM " + db::QuoteIdentifier(newTable) + ";"),
              (QStringList{u"Große|Köln"_s, u"Große|Kö"_s, u"東京|1"_s}));
}

TEST(DeduplicationRun, SendsTheDeletesInBatchesOfAtMostTheBatchSizeHighestFirst) {
    constexpr int kBatch = engine::kDeleteBatchSize;
    auto db = TestServer::FreshDatabaseForThisTest();
    TestServer::Run(db.database, {"CREATE TABLE t (n INT, k CHAR(1));",
                                  "INSERT INTO t SELECT seq, IF(seq = 7, 'y', 'x') FROM seq_1_to_" +
                                      QString::number(2 * kBatch + 502) + ";"});
    const RecordedRun run = RunDedupe(db, "t", {"k"}, "t2");
    EXPECT_TRUE(run.reports.isEmpty());
    const QStringList deletes = run.statements.filter("DELETE");
    ASSERT_EQ(deletes.size(), 3);
    const QString highest = QString::number(2 * kBatch + 502);
    EXPECT_TRUE(
        deletes[0].contains("IN (" + highest + ", " + QString::number(2 * kBatch + 501) + ", "))
        << deletes[0].left(80).toStdString();
    EXPECT_EQ(deletes[0].count(", ") + 1, kBatch);
    EXPECT_EQ(deletes[1].count(", ") + 1, kBatch);
    EXPECT_TRUE(deletes[2].endsWith(", 8, 6, 5, 4, 3, 2)")) << deletes[2].right(80).toStdString();
    EXPECT_EQ(run.outcome.duplicatesRemoved, 2 * kBatch + 500);
    EXPECT_EQ(TestServer::Rows(db, "SELECT * FROM t2;"), (QStringList{"1|x", "7|y"}));
}

TEST(DeduplicationRun, AnUnreachableServerIsReportedOnceAndNothingMoreIsTried) {
    auto db = TestServer::FreshDatabaseForThisTest();
    auto unreachable = db;
    unreachable.port = "1";
    const RecordedRun run = RunDedupe(unreachable, "t", {"a"}, "t2");
    EXPECT_TRUE(run.statements.isEmpty());
    EXPECT_EQ(run.reportedLines, std::vector<int>{118});
    EXPECT_TRUE(run.reports[0].startsWith("[ma-")) << run.reports[0].toStdString();
    EXPECT_TRUE(run.outcome.stoppedBeforeChange);
    EXPECT_FALSE(run.outcome.preview);
    EXPECT_EQ(run.outcome.firstFailedLine, 118);
    EXPECT_EQ(run.outcome.place, engine::ResultPlace::Nowhere);
}

TEST(DeduplicationRun, AFailingCopyIsReportedAndNothingIsDeleted) {
    auto db = TestServer::FreshDatabaseForThisTest();
    TestServer::Run(db.database, {"CREATE TABLE t (a INT);", "INSERT INTO t VALUES (1), (1);"});
    TestServer::CreateUnreadableView(db.database);
    const RecordedRun run = RunDedupe(db, "broken", {"a"}, "copy2");
    EXPECT_EQ(run.reportedLines, (std::vector<int>{154, 156, 122, 124, 174, 176, 178}));
    EXPECT_TRUE(run.reports[0].contains("The rows cannot be read")) << run.reports[0].toStdString();
    EXPECT_EQ(run.statements,
              test::RunSessionStatements() + test::SurveyStatements("broken") +
                  QStringList({"DROP TABLE IF EXISTS " + Scratch(run) + ";",
                               "CREATE TABLE " + Scratch(run) + " AS SELECT * from `broken`;"}));
    EXPECT_EQ(engine::RunSummary({db, "broken", {"a"}, "copy2"}, run.outcome, 0.5),
              "failed at line 154 in 0.500 s: no table was created and this run did not create or "
              "change `copy2`; `broken` was only read");
}

TEST(DeduplicationRun, AFailingCopyLeavesAnExistingTableOfTheNewNameAsItWas) {
    auto db = TestServer::FreshDatabaseForThisTest();
    TestServer::Run(db.database, {"CREATE TABLE t (a INT);", "INSERT INTO t VALUES (1), (1);"});
    TestServer::CreateUnreadableView(db.database);
    TestServer::Run(db.database, {"CREATE TABLE archive (id INT, note TEXT);",
                                  "INSERT INTO archive VALUES (1, 'kept'), (2, 'safe');"});
    const QString before = TestServer::Checksum(db, "archive");
    const RecordedRun run = RunDedupe(db, "broken", {"a"}, "archive");
    EXPECT_EQ(run.outcome.firstFailedLine, 154);
    EXPECT_EQ(TestServer::Checksum(db, "archive"), before);
    EXPECT_EQ(TestServer::Rows(db, "SHOW FULL TABLES;"),
              (QStringList{"archive|BASE TABLE", "broken|VIEW", "t|BASE TABLE"}));
    EXPECT_TRUE(run.statements.filter("archive").isEmpty())
        << run.statements.join("\n").toStdString();
}

TEST(DeduplicationRun, RefusesBeforeAnyChangeATableWithTheTemporaryColumnAndUnknownKeyFields) {
    auto db = TestServer::FreshDatabaseForThisTest();
    TestServer::Run(db.database, {"CREATE TABLE t (a INT, temp_column_created_by_quarnett INT);",
                                  "INSERT INTO t VALUES (1, 30), (1, 20), (1, 10);",
                                  "CREATE TABLE u (Name VARCHAR(9), city VARCHAR(9));",
                                  "INSERT INTO u VALUES ('x', 'y'), ('x', 'y');"});
    const QString before = TestServer::Checksum(db, "t");
    const auto refusedAfterTheSurvey = [&](const RecordedRun& run, const QString& table) {
        EXPECT_TRUE(run.outcome.Refused());
        EXPECT_FALSE(run.outcome.Succeeded());
        EXPECT_TRUE(run.reports.isEmpty()) << run.reports.join("\n").toStdString();
        // Nothing after the survey: no scratch table, no drop, no copy.
        EXPECT_EQ(run.statements, test::RunSessionStatements() + test::SurveyStatements(table));
    };

    // The column's name in any letter case is the server's same column.
    RecordedRun run = RunDedupe(db, "t", {"a"}, "t2");
    refusedAfterTheSurvey(run, "t");
    EXPECT_TRUE(run.outcome.refusal->contains("already has a column named " + kTemp))
        << run.outcome.refusal->toStdString();

    // A field the table lacks, as a script may misspell it; a field in another letter case is the
    // same field to the server and is taken.
    run = RunDedupe(db, "u", {"name", "town"}, "u2");
    refusedAfterTheSurvey(run, "u");
    EXPECT_EQ(*run.outcome.refusal,
              "\"town\" is not a field of the table \"u\", so it cannot be a key field. Its "
              "fields are: Name, city.");
    run = RunDedupe(db, "u", {"NAME", "City"}, "u2");
    EXPECT_TRUE(run.outcome.Succeeded()) << run.reports.join("\n").toStdString();
    EXPECT_EQ(TestServer::Rows(db, "SELECT * FROM u2;"), QStringList{"x|y"});

    EXPECT_EQ(TestServer::Rows(db, "SHOW TABLES;"), (QStringList{"t", "u", "u2"}));
    EXPECT_EQ(TestServer::Checksum(db, "t"), before);
}

TEST(DeduplicationRun, DeletesNothingWhenAStepOfTheKeyReadingFailed) {
    auto db = TestServer::FreshDatabaseForThisTest();
    TestServer::Run(db.database, {"CREATE TABLE t (a INT, b INT);",
                                  "INSERT INTO t VALUES (1, 1), (1, 2), (1, 1), (2, 2);"});
    int yields = 0;
    const RecordedRun run = RunDedupe(db, "t", {"a", "b"}, "t2", [&] {
        if (++yields == 5) throw std::runtime_error("window system failed");
    });
    // The 5th yield comes before the first field of row 2 (a row yields once, then once a field).
    EXPECT_EQ(run.reportedLines, (std::vector<int>{132, 148, 176, 178}));
    EXPECT_TRUE(run.reports[1].startsWith("No rows were deleted")) << run.reports[1].toStdString();
    EXPECT_TRUE(run.statements.filter("DELETE").isEmpty());
    EXPECT_EQ(TestServer::Rows(db, "SELECT * FROM " + Scratch(run) + ";").size(), 4);
}

TEST(DeduplicationRun, RefusesNamesTheServerCannotTakeWithoutSendingAnything) {
    auto db = TestServer::FreshDatabaseForThisTest();
    TestServer::Run(db.database,
                    {"CREATE TABLE Orders (a INT);", "INSERT INTO Orders VALUES (1), (1);"});
    const QString before = TestServer::Checksum(db, "Orders");
    const QString longest(64, u'\u00fc');
    for (const QString& name :
         {u"Orders"_s, u"orders"_s, u"ORDERS"_s, u""_s, u"   "_s, longest + u'x', u"new "_s,
          u"a"_s + QChar(0) + u"b"_s, u"smile \U0001F600"_s}) {
        const engine::RunInputs inputs{db, "Orders", {"a"}, name};
        EXPECT_TRUE(engine::RefusalWithoutServer(inputs).has_value()) << name.toStdString();
        const RecordedRun run = RunDedupe(db, "Orders", {"a"}, name);
        EXPECT_TRUE(run.outcome.Refused()) << name.toStdString();
        EXPECT_TRUE(run.statements.isEmpty()) << name.toStdString();
        EXPECT_TRUE(run.reports.isEmpty());
    }
    EXPECT_FALSE(
        engine::RefusalWithoutServer({db, "Orders", {}, "Orders2"}).value_or("").isEmpty());
    EXPECT_EQ(TestServer::Checksum(db, "Orders"), before);

    // The longest name the server takes, and blanks before a name, are taken.
    for (const QString& name : {longest, u"  lead"_s}) {
        const RecordedRun run = RunDedupe(db, "Orders", {"a"}, name);
        EXPECT_TRUE(run.outcome.Succeeded()) << run.reports.join("\n").toStdString();
        EXPECT_EQ(TestServer::Rows(db, "SELECT * FROM " + db::QuoteIdentifier(name) + ";"),
                  QStringList{"1"});
    }
}

namespace {

// Counts the run's delete statements as they go out, so that a yield can act between two.
struct DeleteCounter {
    int sent = 0;
    db::StatementObserverScope scope{[this](const QString& statement) {
        if (statement.startsWith("DELETE FROM `tarnwick_scratch_")) ++sent;
    }};
};

QString ScratchTableOf(const db::ConnectionSettings& db) {
    return TestServer::Rows(db, "SHOW TABLES LIKE 'tarnwick\\_scratch\\_%';").value(0);
}

}  // namespace

TEST(DeduplicationRun, RefusesANewNameThatTheChosenViewReadsFromThroughAnyChainOfViews) {
    auto db = TestServer::FreshDatabaseForThisTest();
    const auto elsewhere = TestServer::FreshDatabase("t_views_elsewhere");
    TestServer::Run(db.database,
                    {"CREATE TABLE precious (a INT, b TEXT);",
                     "INSERT INTO precious VALUES (1, 'x'), (1, 'x'), (2, 'y');",
                     "CREATE TABLE unrelated (z INT);", "CREATE VIEW pv AS SELECT * FROM precious;",
                     "CREATE VIEW pv2 AS SELECT a FROM pv WHERE a > 0;"});
    TestServer::Run(elsewhere.database,
                    {"CREATE VIEW vx AS SELECT a FROM `" + db.database + "`.precious;"});
    TestServer::Run(db.database, {"CREATE VIEW pv3 AS SELECT a FROM t_views_elsewhere.vx;"});
    const QString before = TestServer::Checksum(db, "precious");

    const auto refusalOf = [&](const QString& chosen, const QString& newName) {
        return RunDedupe(db, chosen, {"a"}, newName).outcome.refusal;
    };
    for (const QString& view : {u"pv"_s, u"pv2"_s, u"pv3"_s}) {
        const auto refusal = refusalOf(view, "precious");
        ASSERT_TRUE(refusal.has_value()) << view.toStdString();
        EXPECT_TRUE(refusal->contains("the view \"" + view + "\" that you chose reads from"))
            << refusal->toStdString();
    }
    const auto viewName = refusalOf("precious", "pv2");
    ASSERT_TRUE(viewName.has_value());
    EXPECT_TRUE(viewName->contains("that is the name of a view")) << viewName->toStdString();

    // The run asks over its own connection and sends nothing that changes a table.
    const RecordedRun run = RunDedupe(db, "pv", {"a"}, "precious");
    EXPECT_TRUE(run.reports.isEmpty());
    EXPECT_EQ(run.statements, test::RunSessionStatements() + test::SurveyStatements("pv") +
                                  QStringList{engine::ViewDefinitionsQuery()});
    EXPECT_EQ(run.outcome.place, engine::ResultPlace::Nowhere);
    EXPECT_EQ(TestServer::Checksum(db, "precious"), before);
    EXPECT_EQ(TestServer::Rows(db, "SELECT COUNT(*) FROM pv3;"), QStringList{"3"});

    // A view never replaces a table it does not read.
    const RecordedRun fresh = RunDedupe(db, "pv", {"a"}, "fresh_name");
    EXPECT_TRUE(fresh.outcome.Succeeded()) << fresh.reports.join("\n").toStdString();

    // Into a table the view does not read, a view is copied like a table.
    const RecordedRun copy = RunDedupe(db, "pv2", {"a"}, "unrelated");
    EXPECT_TRUE(copy.reports.isEmpty()) << copy.reports.join("\n").toStdString();
    EXPECT_EQ(TestServer::Rows(db, "SELECT a FROM unrelated;"), (QStringList{"1", "2"}));
    EXPECT_EQ(TestServer::Checksum(db, "precious"), before);
    TestServer::Admin()->Execute("DROP DATABASE t_views_elsewhere;");
}

TEST(DeduplicationRun, CopiesInvisibleColumnsAndTakesThemAsKeyFields) {
    auto db = TestServer::FreshDatabaseForThisTest();
    TestServer::Run(db.database,
                    {"CREATE TABLE t (id INT, secret VARCHAR(9) INVISIBLE, `odd ``name` INT);",
                     "INSERT INTO t (id, secret, `odd ``name`) VALUES (1, 's', 10), (2, 's', 20), "
                     "(3, 'u', 30);"});
    const QString before = TestServer::Checksum(db, "t");
    const RecordedRun run = RunDedupe(db, "t", {"secret"}, "t2");
    EXPECT_TRUE(run.reports.isEmpty()) << run.reports.join("\n").toStdString();
    EXPECT_EQ(run.statements.value(7),
              "CREATE TABLE " + Scratch(run) + " AS SELECT `id`, `secret`, `odd ``name` from `t`;");
    EXPECT_EQ(TestServer::Rows(db, "SELECT id, secret, `odd ``name` FROM t2;"),
              (QStringList{"1|s|10", "3|u|30"}));
    EXPECT_EQ(TestServer::Checksum(db, "t"), before);
}

TEST(DeduplicationRun, AfterTheConnectionIsLostSendsNoFurtherDeleteAndReportsEachLaterStepOnce) {
    auto db = TestServer::FreshDatabaseForThisTest();
    // Four batches of deletes.
    TestServer::Run(db.database, {"CREATE TABLE t (n INT, k INT);",
                                  "INSERT INTO t SELECT seq, seq % 2 FROM seq_1_to_" +
                                      QString::number(4 * engine::kDeleteBatchSize) + ";"});
    const QString before = TestServer::Checksum(db, "t");
    DeleteCounter deletes;
    bool killed = false;
    const RecordedRun run = RunDedupe(db, "t", {"k"}, "t2", [&] {
        if (deletes.sent != 1 || killed) return;
        killed = true;
        const QString id = TestServer::Rows(db,
                                            "SELECT ID FROM information_schema.PROCESSLIST "
                                            "WHERE DB = DATABASE() AND ID <> CONNECTION_ID();")
                               .value(0);
        TestServer::Admin()->Execute("KILL CONNECTION " + id + ";");
    });
    ASSERT_TRUE(killed);
    // Four batches were due; the second met the lost connection and the other two never went.
    EXPECT_EQ(deletes.sent, 2);
    EXPECT_EQ(run.reportedLines, (std::vector<int>{170, 174, 176, 178}));
    EXPECT_TRUE(run.reports[0].contains("gone away") || run.reports[0].contains("Lost connection"))
        << run.reports[0].toStdString();
    EXPECT_TRUE(run.outcome.connectionLost);
    EXPECT_EQ(run.outcome.place, engine::ResultPlace::Scratch);
    EXPECT_EQ(engine::RunSummary({db, "t", {"k"}, "t2"}, run.outcome, 2),
              "failed at line 170 in 2.000 s: this run did not create or change `t2`; the "
              "scratch table " +
                  Scratch(run) +
                  " holds part of the run's work (the connection was lost, so how far it got is "
                  "not known); `t` was only read");
    EXPECT_EQ(TestServer::Rows(db, "SHOW TABLES LIKE 't2';"), QStringList{});
    EXPECT_EQ(TestServer::Checksum(db, "t"), before);
}

TEST(DeduplicationRun, AFailingDropKeyLeavesTheResultInTheScratchTableAndTheOldTableAsItWas) {
    constexpr int kRows = engine::kDeleteBatchSize + 200;  // two batches of deletes
    auto db = TestServer::FreshDatabaseForThisTest();
    TestServer::Run(
        db.database,
        {"CREATE TABLE t (n INT, k INT);",
         "INSERT INTO t SELECT seq, seq % 2 FROM seq_1_to_" + QString::number(kRows) + ";",
         "CREATE TABLE t2 (old TEXT);", "INSERT INTO t2 VALUES ('earlier result');"});
    const QString before = TestServer::Checksum(db, "t");
    const QString oldTable = TestServer::Checksum(db, "t2");
    DeleteCounter deletes;
    bool blocked = false;
    const RecordedRun run = RunDedupe(db, "t", {"k"}, "t2", [&] {
        if (deletes.sent != 1 || blocked) return;
        blocked = true;
        // A column computed from the temporary column makes the server refuse to drop it.
        TestServer::Run(db.database, {"ALTER TABLE `" + ScratchTableOf(db) + "` ADD g INT AS (" +
                                      kTemp + " + 0) VIRTUAL;"});
    });
    ASSERT_TRUE(blocked);
    EXPECT_EQ(run.reportedLines, (std::vector<int>{174, 176, 178}));
    EXPECT_EQ(run.outcome.duplicatesRemoved, kRows - 2);
    EXPECT_TRUE(run.outcome.temporaryColumnLeft);
    EXPECT_EQ(engine::RunSummary({db, "t", {"k"}, "t2"}, run.outcome, 3),
              "failed at line 174 in 3.000 s: this run did not create or change `t2`; the "
              "scratch table " +
                  Scratch(run) +
                  QStringLiteral(" holds the deduplicated copy of `t` (kept 2 of %1 rows, %2 "
                                 "duplicates removed) and still has the temporary column ")
                      .arg(kRows)
                      .arg(kRows - 2) +
                  kTemp + "; `t` was only read");
    EXPECT_EQ(TestServer::Rows(db, "SELECT n FROM " + Scratch(run) + ";"), (QStringList{"1", "2"}));
    EXPECT_EQ(TestServer::Checksum(db, "t2"), oldTable);
    EXPECT_EQ(TestServer::Checksum(db, "t"), before);
}

TEST(DeduplicationRun, ASecondRunIntoTheSameNameMeanwhileNeverReceivesTheFirstRunsDeletes) {
    const QString rows = QString::number(2 * engine::kDeleteBatchSize + 500);  // three batches
    auto db = TestServer::FreshDatabaseForThisTest();
    TestServer::Run(db.database, {"CREATE TABLE t (n INT, k INT);",
                                  "INSERT INTO t SELECT seq, seq % 3 FROM seq_1_to_" + rows + ";"});
    const QString before = TestServer::Checksum(db, "t");
    DeleteCounter deletes;
    int otherExit = -1;
    const RecordedRun run = RunDedupe(db, "t", {"k"}, "archive", [&] {
        if (deletes.sent != 1 || otherExit != -1) return;
        // Another run into the same name, from start to end, while this one deletes.
        otherExit = QProcess::execute(
            TARNWICK_DEDUPE_PATH,
            {"--server", db.server, "--port", db.port, "--user", db.user, "--password", db.password,
             "--database", db.database, "--table", "t", "--key", "n", "--into", "archive"});
    });
    EXPECT_EQ(otherExit, 0);
    // The other run's table came first; this run's rename finds the name taken and keeps its
    // complete result in its scratch table.
    EXPECT_EQ(run.reportedLines, (std::vector<int>{176, 178}));
    EXPECT_TRUE(run.reports[0].contains("already exists")) << run.reports[0].toStdString();
    EXPECT_EQ(TestServer::Rows(db, "SELECT COUNT(*) FROM archive;"), QStringList{rows});
    EXPECT_EQ(TestServer::Rows(db, "SELECT n FROM " + Scratch(run) + ";"),
              (QStringList{"1", "2", "3"}));
    EXPECT_EQ(run.outcome.place, engine::ResultPlace::Scratch);
    EXPECT_EQ(TestServer::Checksum(db, "t"), before);
}

namespace {

// Runs `statement` on another connection the moment the run sends a statement that starts with
// `trigger` and holds `alsoHolding` (before the server has it), once.
struct BeforeStatement {
    BeforeStatement(const db::ConnectionSettings& db, QString trigger, QString statement,
                    QString alsoHolding = {})
        : scope([this, db, trigger, statement, alsoHolding](const QString& sent) {
              if (done || !sent.startsWith(trigger) || !sent.contains(alsoHolding)) return;
              done = true;
              // The scratch table the triggering statement names.
              const QString scratch =
                  QRegularExpression("`tarnwick_scratch_\\w+`").match(sent).captured(0);
              QString change = statement;
              change.replace("SCRATCH", scratch);
              TestServer::Run(db.database, {change});
          }) {}
    bool done = false;
    db::StatementObserverScope scope;
};

}  // namespace

TEST(DeduplicationRun, DeletesByTheNumbersTheServerGaveWhateverTheyAre) {
    auto db = TestServer::FreshDatabaseForThisTest();
    TestServer::Run(db.database, {"CREATE TABLE t (n INT, k INT);",
                                  "INSERT INTO t SELECT seq, seq % 4 FROM seq_1_to_30;"});
    // The copy's numbers become 1007, 1014, ... (highest first, so that no two collide) just
    // before the keys are read with them.
    BeforeStatement renumber(
        db, "SELECT `" + kTemp + "`",
        "UPDATE SCRATCH SET " + kTemp + " = " + kTemp + " * 7 + 1000 ORDER BY " + kTemp + " DESC;");
    const RecordedRun run = RunDedupe(db, "t", {"k"}, "t2");
    ASSERT_TRUE(renumber.done);
    EXPECT_TRUE(run.reports.isEmpty()) << run.reports.join("\n").toStdString();
    const QStringList deletes = run.statements.filter("DELETE");
    ASSERT_EQ(deletes.size(), 1);
    EXPECT_TRUE(
        deletes[0].endsWith("IN (1210, 1203, 1196, 1189, 1182, 1175, 1168, 1161, 1154, 1147, "
                            "1140, 1133, 1126, 1119, 1112, 1105, 1098, 1091, 1084, 1077, "
                            "1070, 1063, 1056, 1049, 1042, 1035)"))
        << deletes[0].toStdString();
    EXPECT_EQ(TestServer::Rows(db, "SELECT n FROM t2;"), (QStringList{"1", "2", "3", "4"}));
}

TEST(DeduplicationRun, CountsThatDisagreeWithTheServersKeepTheResultOutOfTheNewName) {
    auto db = TestServer::FreshDatabaseForThisTest();
    TestServer::Run(
        db.database,
        {"CREATE TABLE t (n INT, k INT);", "INSERT INTO t SELECT seq, seq % 4 FROM seq_1_to_30;",
         "CREATE TABLE t2 (old TEXT);", "INSERT INTO t2 VALUES ('kept');"});
    const QString old = TestServer::Checksum(db, "t2");

    // A row that was not copied shows up among the keys: nothing is deleted.
    {
        BeforeStatement extraRow(db, "SELECT `" + kTemp + "`",
                                 "INSERT INTO SCRATCH (n, k) VALUES (99, 1);");
        const RecordedRun run = RunDedupe(db, "t", {"k"}, "t2");
        EXPECT_EQ(run.reportedLines, (std::vector<int>{148, 174, 176, 178}));
        EXPECT_TRUE(run.reports[0].contains("the key query read 31 rows, but the copy made 30"))
            << run.reports[0].toStdString();
        EXPECT_TRUE(run.statements.filter("DELETE").isEmpty());
        EXPECT_EQ(run.outcome.place, engine::ResultPlace::Scratch);
    }
    // A row to delete is gone before its delete: the server removes fewer rows than named.
    {
        BeforeStatement goneRow(db, "DELETE", "DELETE FROM SCRATCH WHERE n = 30;");
        const RecordedRun run = RunDedupe(db, "t", {"k"}, "t2");
        EXPECT_EQ(run.reportedLines, (std::vector<int>{170, 174, 176, 178}));
        EXPECT_TRUE(run.reports[0].contains("The delete named 26 rows, but the server removed 25."))
            << run.reports[0].toStdString();
        EXPECT_TRUE(
            run.reports[1].contains("has 4 rows after the temporary column was dropped, "
                                    "but the run copied 30 and removed 25, which leaves 5"))
            << run.reports[1].toStdString();
        EXPECT_EQ(run.outcome.duplicatesRemoved, 25);
        EXPECT_EQ(
            engine::RunSummary({db, "t", {"k"}, "t2"}, run.outcome, 1),
            "failed at line 170 in 1.000 s: this run did not create or change `t2`; the "
            "scratch table " +
                Scratch(run) +
                " holds a copy of `t` with 25 of its 26 duplicates removed; `t` was only read");
    }
    EXPECT_EQ(TestServer::Checksum(db, "t2"), old);
}

namespace {

// The id of the first row of each group of rows of `t` whose (a, b) are equal, NULL counting as
// empty text, in id order: what a run over `t` keeps.
QStringList FirstOfEachGroup(const db::ConnectionSettings& db) {
    QStringList kept;
    QSet<QString> seen;
    for (const QString& row : TestServer::Rows(db,
                                               "SELECT id, IFNULL(a, ''), HEX(IFNULL(b, '')) "
                                               "FROM t ORDER BY id;")) {
        const QString key = row.section('|', 1);
        if (!seen.contains(key)) {
            seen.insert(key);
            kept << row.section('|', 0, 0);
        }
    }
    return kept;
}

}  // namespace

// Slices of a few rows each: every row is read once, in order, each slice going on from the last
// number of the one before; the rows kept are those of a single reading. The keys are
// long (beyond the exact limit) and differ only in their last bytes; NULL and '' are equal.
TEST(DeduplicationRun, KeysReadInManySlicesKeepTheRowsOfOneReading) {
    auto db = TestServer::FreshDatabaseForThisTest();
    TestServer::Run(db.database,
                    {"CREATE TABLE t (id INT PRIMARY KEY, a VARCHAR(20), b TEXT);",
                     "INSERT INTO t SELECT seq, CASE WHEN seq % 5 = 0 THEN NULL WHEN seq % 7 = 0 "
                     "THEN '' ELSE CONCAT('a', seq % 9) END, CONCAT(REPEAT('x', 300), IF(seq % 3 "
                     "= 0, 'y', 'z'), seq % 2) FROM seq_1_to_3000;"});
    const RecordedRun run =
        RunDedupe(db, "t", {"a", "b"}, "t2", {}, {engine::RunPlan::Wizard, 4000, 16});
    EXPECT_TRUE(run.reports.isEmpty()) << run.reports.join("\n").toStdString();
    const QStringList kept = FirstOfEachGroup(db);
    EXPECT_EQ(TestServer::Rows(db, "SELECT id FROM t2 ORDER BY id;"), kept);
    EXPECT_EQ(run.outcome.duplicatesRemoved, 3000 - kept.size());

    const QStringList slices = run.statements.filter("ORDER BY `" + kTemp + "` LIMIT");
    EXPECT_GE(slices.size(), 20);
    // Numbers run 1..3000, so each slice starts after the rows the slices before it asked for.
    const QRegularExpression form("(?:WHERE `" + kTemp + "` > (\\d+) )?ORDER BY `" + kTemp +
                                  "` LIMIT (\\d+);$");
    long asked = 0;
    for (const QString& slice : slices) {
        const auto match = form.match(slice);
        ASSERT_TRUE(match.hasMatch()) << slice.toStdString();
        EXPECT_EQ(match.captured(1).toLong(), asked) << slice.toStdString();
        EXPECT_GE(match.captured(2).toLong(), 16);
        asked += match.captured(2).toLong();
    }
    EXPECT_GE(asked, 3000);
}

// A slice that fails is the key reading's failure (line 124): nothing is deleted and the result
// does not take the new name.
TEST(DeduplicationRun, ASliceThatFailsDeletesNothing) {
    auto db = TestServer::FreshDatabaseForThisTest();
    TestServer::Run(db.database, {"CREATE TABLE t (n INT, k INT);",
                                  "INSERT INTO t SELECT seq, seq % 4 FROM seq_1_to_500;"});
    BeforeStatement dropKey(db, "SELECT `" + kTemp + "`", "ALTER TABLE SCRATCH DROP COLUMN k;",
                            "WHERE");
    const RecordedRun run =
        RunDedupe(db, "t", {"k"}, "t2", {}, {engine::RunPlan::Wizard, 1000, 64});
    ASSERT_TRUE(dropKey.done);
    ASSERT_GE(run.reportedLines.size(), 2u);
    EXPECT_EQ(run.reportedLines[0], 124);
    EXPECT_TRUE(run.reports[0].contains("Unknown column")) << run.reports[0].toStdString();
    EXPECT_EQ(run.reportedLines[1], 148);
    EXPECT_TRUE(run.statements.filter("DELETE").isEmpty());
    EXPECT_EQ(run.outcome.place, engine::ResultPlace::Scratch);
    EXPECT_EQ(TestServer::Rows(db, "SHOW TABLES LIKE 't2';"), QStringList{});
}
