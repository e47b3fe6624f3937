#include <gtest/gtest.h>

#include "tests/support/QtPrinting.h"

#include "app/GuardedProcedure.h"
#include "db/Identifier.h"
#include "db/StatementObserver.h"
#include "engine/DeduplicationRun.h"
#include "engine/KeyFieldList.h"
#include "tests/support/RecordingMessageBoxService.h"
#include "tests/support/TestServer.h"

using namespace tarnwick;
using namespace Qt::Literals::StringLiterals;
using test::RecordingMessageBoxService;
using test::TestServer;

namespace {

// One run as the result page's Finish makes it, with every statement and report recorded.
struct RecordedRun {
    engine::RunOutcome outcome;
    QStringList statements;
    std::vector<int> reportedLines;
    QStringList reports;
};

RecordedRun RunDedupe(const db::ConnectionSettings& settings, const QString& table,
                      const QStringList& keys, const QString& newTable,
                      const engine::YieldCallback& yield = {}) {
    RecordingMessageBoxService boxes;
    RecordedRun recorded;
    db::StatementObserverScope observer([&](const QString& s) { recorded.statements << s; });
    app::GuardedProcedure proc("Form4.PushButton4_Click");
    engine::DeduplicationRun run(proc, yield);
    recorded.outcome = run.Run({settings, table, engine::BuildKeyFieldList(keys), newTable});
    for (const auto& box : boxes.boxes) {
        recorded.reports << box.text;
        const qsizetype at = box.text.indexOf("at line ");
        recorded.reportedLines.push_back(box.text.mid(at + 8, 3).toInt());
    }
    return recorded;
}

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

    EXPECT_EQ(
        run.statements,
        (QStringList{
            "DROP TABLE IF EXISTS `orders2`;", "CREATE TABLE `orders2` AS SELECT * from `orders`;",
            "ALTER TABLE `orders2` ADD `" + kTemp +
                "` INT UNSIGNED NOT NULL AUTO_INCREMENT, ADD PRIMARY KEY (" + kTemp + ");",
            "SELECT `name`, `city` FROM `orders2` ORDER BY `" + kTemp + "`;",
            "DELETE FROM `orders2` WHERE `" + kTemp + "` IN (5, 2)",
            "ALTER TABLE `orders2` DROP COLUMN `" + kTemp + "`;", "SELECT * FROM `orders2`;"}));
    EXPECT_TRUE(run.reports.isEmpty()) << run.reports.join("\n").toStdString();
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
              QStringList{"DELETE FROM `t2` WHERE `" + kTemp + "` IN (9, 6, 4)"});
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
              QStringList{"DELETE FROM `xs2` WHERE `" + kTemp + "` IN (3, 2)"});
    EXPECT_EQ(TestServer::Rows(db, "SELECT * FROM xs2;"), QStringList{"x|1"});
}

TEST(DeduplicationRun, ReplacesAnotherTableOfTheNewName) {
    auto db = TestServer::FreshDatabaseForThisTest();
    TestServer::Run(db.database,
                    {"CREATE TABLE t (a INT);", "INSERT INTO t VALUES (1), (1), (2);",
                     "CREATE TABLE old (something TEXT);", "INSERT INTO old VALUES ('gone');"});
    const RecordedRun run = RunDedupe(db, "t", {"a"}, "old");
    EXPECT_TRUE(run.reports.isEmpty());
    EXPECT_EQ(TestServer::Rows(db, "SELECT * FROM old;"), (QStringList{"1", "2"}));
    EXPECT_EQ(TestServer::Rows(db, "SHOW COLUMNS FROM old;").size(), 1);
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
    EXPECT_EQ(
        run.statements.value(3),
        u"SELECT `Straße ``x```, `ort, plz` FROM `Kunden 2 `` ü` ORDER BY `"_s + kTemp + "`;");
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

TEST(DeduplicationRun, AnUnreachableServerReportsEveryStepAndStillEnds) {
    auto db = TestServer::FreshDatabaseForThisTest();
    auto unreachable = db;
    unreachable.port = "1";
    const RecordedRun run = RunDedupe(unreachable, "t", {"a"}, "t2");
    EXPECT_TRUE(run.statements.isEmpty());
    EXPECT_EQ(run.reportedLines, (std::vector<int>{118, 152, 154, 156, 122, 124, 174, 178}));
    EXPECT_TRUE(run.reports[0].startsWith("[ma-")) << run.reports[0].toStdString();
    EXPECT_FALSE(run.outcome.preview);
}

TEST(DeduplicationRun, AFailingCopyIsReportedAndNothingIsDeleted) {
    auto db = TestServer::FreshDatabaseForThisTest();
    const RecordedRun run = RunDedupe(db, "no_such_table", {"a"}, "copy2");
    EXPECT_EQ(run.reportedLines, (std::vector<int>{154, 156, 122, 124, 174, 178}));
    EXPECT_TRUE(run.reports[0].contains("no_such_table' doesn't exist"))
        << run.reports[0].toStdString();
    EXPECT_EQ(run.statements, (QStringList{"DROP TABLE IF EXISTS `copy2`;",
                                           "CREATE TABLE `copy2` AS SELECT * from `no_such_table`;",
                                           "SELECT * FROM `copy2`;"}));
}

TEST(DeduplicationRun, ATableWithAColumnOfTheTemporaryNameStaysAFullCopy) {
    auto db = TestServer::FreshDatabaseForThisTest();
    TestServer::Run(db.database, {"CREATE TABLE t (a INT, " + kTemp + " INT);",
                                  "INSERT INTO t VALUES (1, 30), (1, 20), (1, 10);"});
    const RecordedRun run = RunDedupe(db, "t", {"a"}, "t2");
    // The Add key fails; the steps that need the run's own numbering are reported, once each,
    // and never act on the table's own column of that name.
    EXPECT_EQ(run.reportedLines, (std::vector<int>{156, 122, 124, 174}));
    EXPECT_TRUE(run.reports[0].contains("Duplicate column name")) << run.reports[0].toStdString();
    EXPECT_TRUE(run.statements.filter("DELETE").isEmpty());
    EXPECT_TRUE(run.statements.filter("DROP COLUMN").isEmpty());
    EXPECT_EQ(TestServer::Rows(db, "SELECT * FROM t2;"), (QStringList{"1|30", "1|20", "1|10"}));
    EXPECT_EQ(run.outcome.preview->RecordCount(), 3);
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
    EXPECT_EQ(run.reportedLines, (std::vector<int>{132, 148}));
    EXPECT_TRUE(run.reports[1].startsWith("No rows were deleted")) << run.reports[1].toStdString();
    EXPECT_TRUE(run.statements.filter("DELETE").isEmpty());
    EXPECT_EQ(TestServer::Rows(db, "SELECT * FROM t2;").size(), 4);
}

TEST(DeduplicationRun, RefusesTheChosenTablesNameAndBlankNamesWithoutSendingAnything) {
    auto db = TestServer::FreshDatabaseForThisTest();
    TestServer::Run(db.database,
                    {"CREATE TABLE Orders (a INT);", "INSERT INTO Orders VALUES (1), (1);"});
    const QString before = TestServer::Checksum(db, "Orders");
    for (const QString& name : {u"Orders"_s, u"orders"_s, u"ORDERS"_s, u""_s, u"   "_s}) {
        const engine::RunInputs inputs{db, "Orders", "`a`", name};
        EXPECT_TRUE(engine::RefusalOf(inputs).has_value()) << name.toStdString();
        const RecordedRun run = RunDedupe(db, "Orders", {"a"}, name);
        EXPECT_TRUE(run.statements.isEmpty()) << name.toStdString();
        EXPECT_TRUE(run.reports.isEmpty());
    }
    EXPECT_EQ(TestServer::Checksum(db, "Orders"), before);
    EXPECT_FALSE(engine::RefusalOf({db, "Orders", "`a`", "Orders2"}).has_value());
}
