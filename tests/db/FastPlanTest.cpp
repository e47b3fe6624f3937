// tarnwick-dedupe --fast against the wizard's run on the same tables.
#include <gtest/gtest.h>

#include <QStringList>
#include <algorithm>

#include "tests/support/QtPrinting.h"

#include "engine/RunInputs.h"
#include "tests/support/RecordedRun.h"
#include "tests/support/TestServer.h"

using namespace tarnwick;
using test::RecordedRun;
using test::RunDedupe;
using test::RunTuning;
using test::Sorted;
using test::TestServer;

namespace {

const QString kTemp = "TEMP_COLUMN_CREATED_BY_QUARNETT";

// A chosen table and what the fast plan's copy makes of it.
struct Case {
    const char* name;
    const char* create;          // the table t: columns id, name, city, and others
    bool keepsKey;               // the copy keeps t's primary key (else it numbers its rows)
    const char* order;           // t's primary key as declared, for the oracle; "" without one
    const char* then = "DO 0;";  // after the rows are in
};

// Rows that repeat in every way the comparison cares about: exact repeats, letter case and
// trailing blanks that do not make a repeat, NULL and '' that do; ids out of their key order.
const char* const kRows =
    "INSERT INTO t (id, name, city) VALUES (40, 'Ann', 'Rome'), (7, 'Ann', 'Rome'), "
    "(12, 'ann', 'Rome'), (3, 'Ann', 'Rome '), (25, NULL, 'Oslo'), (9, '', 'Oslo'), "
    "(30, 'Bob', NULL), (1, 'Bob', ''), (18, 'Ann', 'Rome'), (2, 'Cid', 'Oslo');";

// The first row of each group in the order of the primary key as declared, whatever index or
// engine the table has.
const Case kCases[] = {
    {"InnoDB, an integer key, an index on the keys",
     "CREATE TABLE t (id INT PRIMARY KEY, name VARCHAR(9), city VARCHAR(9), note TEXT, "
     "KEY (name, city));",
     true, "id"},
    {"InnoDB, a BIGINT key below zero",
     "CREATE TABLE t (id BIGINT PRIMARY KEY, name VARCHAR(9), city VARCHAR(9));", true, "id",
     "UPDATE t SET id = id - 1000 ORDER BY id;"},
    // A plain scan of such a table reads the index, whose order puts id 18 before id 7.
    {"InnoDB, an index that covers every column",
     "CREATE TABLE t (id INT PRIMARY KEY, name VARCHAR(9), city VARCHAR(9), n INT, "
     "KEY (n, name, city));",
     true, "id", "UPDATE t SET n = 100 - id;"},
    {"InnoDB, a key declared descending",
     "CREATE TABLE t (id INT, name VARCHAR(9), city VARCHAR(9), PRIMARY KEY (id DESC));", false,
     "id DESC"},
    {"InnoDB without a key", "CREATE TABLE t (id INT, name VARCHAR(9), city VARCHAR(9));", false,
     ""},
    {"InnoDB, a key of two columns, one descending",
     "CREATE TABLE t (id INT, name VARCHAR(9), city VARCHAR(9), n INT DEFAULT 0, "
     "PRIMARY KEY (n DESC, id));",
     false, "n DESC, id", "UPDATE t SET n = id % 3;"},
    {"InnoDB, a text key",
     "CREATE TABLE t (id VARCHAR(9), name VARCHAR(9), city VARCHAR(9), PRIMARY KEY (id));", false,
     "id"},
    // MyISAM keeps the rows in the order they were written.
    {"MyISAM, an integer key",
     "CREATE TABLE t (id INT PRIMARY KEY, name VARCHAR(9), city VARCHAR(9)) ENGINE=MyISAM;", true,
     "id"},
    {"MyISAM, a key declared descending",
     "CREATE TABLE t (id INT, name VARCHAR(9), city VARCHAR(9), PRIMARY KEY (id DESC)) "
     "ENGINE=MyISAM;",
     false, "id DESC"},
    {"InnoDB, partitioned",
     "CREATE TABLE t (id INT PRIMARY KEY, name VARCHAR(9), city VARCHAR(9)) PARTITION BY HASH "
     "(id) PARTITIONS 3;",
     true, "id"},
};

}  // namespace

TEST(FastPlan, BothPlansKeepTheFirstRowInThePrimaryKeysOrderOnEveryKindOfTable) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        auto db = TestServer::FreshDatabaseForThisTest();
        TestServer::Run(db.database, {c.create, kRows, c.then});
        const QString chosen = TestServer::Checksum(db, "t");

        const RecordedRun wizard = RunDedupe(db, "t", {"name", "city"}, "w");
        // Slices of a few rows, so that the fast plan's reading spans several too.
        const RecordedRun fast =
            RunDedupe(db, "t", {"name", "city"}, "f", {}, RunTuning{engine::RunPlan::Fast, 1, 64});
        ASSERT_TRUE(wizard.reports.isEmpty()) << wizard.reports.join("\n").toStdString();
        ASSERT_TRUE(fast.reports.isEmpty()) << fast.reports.join("\n").toStdString();

        const QString columns = "SELECT id, name, city FROM ";
        EXPECT_EQ(Sorted(TestServer::Rows(db, columns + "f;")),
                  Sorted(TestServer::Rows(db, columns + "w;")));
        if (*c.order != 0) {
            // The server's own numbering of each group, exactly compared, NULL taken as ''.
            EXPECT_EQ(Sorted(TestServer::Rows(db, columns + "w;")),
                      Sorted(TestServer::Rows(
                          db, columns +
                                  "(SELECT *, ROW_NUMBER() OVER (PARTITION BY "
                                  "CAST(COALESCE(name, '') AS BINARY), CAST(COALESCE(city, '') AS "
                                  "BINARY) ORDER BY " +
                                  c.order + ") AS n1 FROM t) AS o WHERE n1 = 1;")));
        }
        EXPECT_EQ(TestServer::Rows(db, "SELECT COUNT(*) FROM f;"), QStringList{"6"});
        EXPECT_EQ(fast.outcome.duplicatesRemoved, 4);
        EXPECT_EQ(TestServer::Checksum(db, "t"), chosen);

        const QStringList copies = fast.statements.filter("CREATE TABLE");
        ASSERT_EQ(copies.size(), 1);
        EXPECT_EQ(copies[0].contains("(PRIMARY KEY (`id`)) AS SELECT"), c.keepsKey)
            << copies[0].toStdString();
        EXPECT_EQ(fast.statements.filter("ALTER TABLE").size(), c.keepsKey ? 0 : 1);
        EXPECT_TRUE(fast.statements.filter("DELETE FROM")
                        .first()
                        .contains(c.keepsKey ? "WHERE `id` IN (" : "WHERE `" + kTemp + "` IN ("));
        // The new table has the chosen table's columns, and its key when the copy kept it.
        EXPECT_EQ(TestServer::Rows(db, "SHOW COLUMNS FROM f;").size(),
                  TestServer::Rows(db, "SHOW COLUMNS FROM t;").size());
        EXPECT_EQ(TestServer::Rows(db, "SHOW KEYS FROM f WHERE Key_name = 'PRIMARY';").size(),
                  c.keepsKey ? 1 : 0);
    }
}

// Ids beyond the signed range and below zero are written as the column holds them.
TEST(FastPlan, DeletesByKeysOfEveryIntegerRange) {
    auto db = TestServer::FreshDatabaseForThisTest();
    TestServer::Run(db.database,
                    {"CREATE TABLE u (id BIGINT UNSIGNED PRIMARY KEY, k INT);",
                     "INSERT INTO u VALUES (18446744073709551615, 1), (18446744073709551614, 1), "
                     "(9223372036854775808, 1), (1, 2), (2, 2);",
                     "CREATE TABLE s (id TINYINT PRIMARY KEY, k INT);",
                     "INSERT INTO s VALUES (-128, 1), (-1, 1), (0, 2), (127, 1);"});
    const RecordedRun u = RunDedupe(db, "u", {"k"}, "u2", {}, RunTuning{engine::RunPlan::Fast});
    const RecordedRun s = RunDedupe(db, "s", {"k"}, "s2", {}, RunTuning{engine::RunPlan::Fast});
    EXPECT_TRUE(u.reports.isEmpty()) << u.reports.join("\n").toStdString();
    EXPECT_TRUE(s.reports.isEmpty()) << s.reports.join("\n").toStdString();
    EXPECT_TRUE(
        u.statements.filter("DELETE").value(0).endsWith("IN (18446744073709551615, "
                                                        "18446744073709551614, 2)"))
        << u.statements.filter("DELETE").value(0).toStdString();
    EXPECT_TRUE(s.statements.filter("DELETE").value(0).endsWith("IN (127, -1)"))
        << s.statements.filter("DELETE").value(0).toStdString();
    EXPECT_EQ(TestServer::Rows(db, "SELECT id FROM u2 ORDER BY id;"),
              (QStringList{"1", "9223372036854775808"}));
    EXPECT_EQ(TestServer::Rows(db, "SELECT id FROM s2 ORDER BY id;"), (QStringList{"-128", "0"}));
}

// The fast plan asks how the chosen table is stored by its name as text: quotes and backslashes
// in the name are the name's own.
TEST(FastPlan, FindsTheKeyOfATableWhoseNameHoldsQuotesAndBackslashes) {
    auto db = TestServer::FreshDatabaseForThisTest();
    const QString name = R"(it's \ "odd")";
    TestServer::Run(db.database, {"CREATE TABLE `" + name + "` (id INT PRIMARY KEY, k INT);",
                                  "INSERT INTO `" + name + "` VALUES (1, 1), (2, 1);"});
    const RecordedRun run = RunDedupe(db, name, {"k"}, "n2", {}, RunTuning{engine::RunPlan::Fast});
    EXPECT_TRUE(run.reports.isEmpty()) << run.reports.join("\n").toStdString();
    EXPECT_EQ(run.statements.filter("CREATE TABLE").value(0).contains("PRIMARY KEY (`id`)"), true);
    EXPECT_EQ(TestServer::Rows(db, "SELECT id FROM n2;"), QStringList{"1"});
}
