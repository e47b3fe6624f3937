// tarnwick-dedupe --keep-structure on tables of many shapes: the new table's definition is the
// chosen table's (but its name, its AUTO_INCREMENT counter and what LIKE never copies), and its
// rows are those of the same run without the option.
#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QStringList>
#include <algorithm>

#include "engine/Statements.h"
#include "tests/support/DedupeTool.h"
#include "tests/support/QtPrinting.h"
#include "tests/support/TestServer.h"

using tarnwick::test::LoginArguments;
using tarnwick::test::RunTool;
using tarnwick::test::Sorted;
using tarnwick::test::TestServer;
using tarnwick::test::ToolResult;

namespace {

struct Shape {
    const char* name;
    const char* create;  // the table t, with the columns k (the key field) and v
    const char* rows;    // the rows: "(k, v) VALUES ..."
    const char* leftOut = "";
};

// The definition as SHOW CREATE TABLE writes it, named n, without the counter and foreign keys.
QString Definition(const tarnwick::db::ConnectionSettings& db, const QString& table) {
    QString text = TestServer::Rows(db, tarnwick::engine::CreateTableQuery(table))
                       .value(0)
                       .section(u'|', 1)
                       .replace("CREATE TABLE `" + table + "`", "CREATE TABLE `n`");
    text.remove(QRegularExpression(" AUTO_INCREMENT=\\d+"));
    text.remove(QRegularExpression(",\\n  CONSTRAINT [^\\n]*FOREIGN KEY[^\\n]*"));
    return text;
}

}  // namespace

TEST(KeepStructure, TheNewTableHasTheChosenTablesDefinitionAndTheSameRowsOnEveryShape) {
    const Shape kShapes[] = {
        {"an AUTO_INCREMENT key, unique and plain indexes, FULLTEXT, generated and invisible "
         "columns, comments",
         "CREATE TABLE t (id INT AUTO_INCREMENT PRIMARY KEY, k VARCHAR(9) COMMENT 'key', v "
         "VARCHAR(20) INVISIBLE, g VARCHAR(12) AS (CONCAT(k, '!')) VIRTUAL, s INT AS (LENGTH(v)) "
         "STORED, UNIQUE KEY kv (k, v), KEY vi (v) COMMENT 'by v', FULLTEXT KEY ft (v)) "
         "COMMENT 'tbl' ROW_FORMAT=COMPACT;",
         "(k, v) VALUES ('a', 'one'), ('b', 'two'), ('a', 'three'), ('c', 'four'), ('b', 'five')"},
        {"a key of two columns, descending",
         "CREATE TABLE t (k VARCHAR(9) NOT NULL, v INT NOT "
         "NULL, PRIMARY KEY (v DESC, k), KEY (k));",
         "(k, v) VALUES ('a', 1), ('b', 2), ('a', 3), ('a', 4)"},
        {"no primary key but a unique key",
         "CREATE TABLE t (k VARCHAR(9), v INT, UNIQUE KEY (v), KEY (k, v));",
         "(k, v) VALUES ('a', 1), ('b', 2), ('a', 3), (NULL, 4), ('', 5)"},
        {"no key at all", "CREATE TABLE t (k VARCHAR(9), v INT);",
         "(k, v) VALUES ('a', 1), ('a', 1), ('b', 2), ('a', 3)"},
        {"SPATIAL, Aria",
         "CREATE TABLE t (k VARCHAR(9), v INT, p POINT NOT NULL, SPATIAL KEY (p), KEY (v)) "
         "ENGINE=Aria;",
         "(k, v, p) VALUES ('a', 1, POINT(1, 1)), ('b', 2, POINT(2, 1)), ('a', 3, POINT(0, 0))"},
        {"partitioned",
         "CREATE TABLE t (id INT AUTO_INCREMENT, k VARCHAR(9), v INT, PRIMARY KEY (id), KEY (v)) "
         "PARTITION BY HASH (id) PARTITIONS 3;",
         "(k, v) VALUES ('a', 1), ('b', 2), ('a', 3), ('b', 4)"},
        {"MyISAM, an AUTO_INCREMENT second in its key",
         "CREATE TABLE t (k VARCHAR(9) NOT NULL, n INT NOT NULL AUTO_INCREMENT, v INT, "
         "PRIMARY KEY (k, n), KEY (v)) ENGINE=MyISAM;",
         "(k, v) VALUES ('a', 1), ('b', 2), ('a', 3)"},
        {"a foreign key and a trigger",
         "CREATE TABLE t (id INT PRIMARY KEY AUTO_INCREMENT, k VARCHAR(9), v INT, KEY (v), "
         "CONSTRAINT fk FOREIGN KEY (v) REFERENCES parent (id));",
         "(k, v) VALUES ('a', 1), ('b', 2), ('a', 3)", "; not copied: 1 foreign key, 1 trigger"},
    };
    for (const Shape& shape : kShapes) {
        SCOPED_TRACE(shape.name);
        auto db = TestServer::FreshDatabaseForThisTest();
        TestServer::Run(db.database,
                        {"CREATE TABLE parent (id INT PRIMARY KEY);",
                         "INSERT INTO parent SELECT seq FROM seq_1_to_9;", shape.create,
                         QString("INSERT INTO t ") + shape.rows + ";",
                         "CREATE TRIGGER tt BEFORE UPDATE ON parent FOR EACH ROW SET @x = 1;"});
        if (QString(shape.name).contains("trigger"))
            TestServer::Run(db.database,
                            {"CREATE TRIGGER t_ins BEFORE INSERT ON t FOR EACH ROW SET @y = 1;"});
        const QString before = TestServer::Checksum(db, "t");
        const QStringList run = LoginArguments(db) + QStringList{"--table", "t", "--key", "k"};
        for (const char* plan : {"", "--fast"}) {
            SCOPED_TRACE(plan);
            QStringList fast = QString(plan).isEmpty() ? QStringList{} : QStringList{plan};
            const ToolResult plain = RunTool(run + fast + QStringList{"--into", "plain"});
            ASSERT_EQ(plain.exitCode, 0) << plain.err.toStdString();
            const ToolResult kept =
                RunTool(run + fast + QStringList{"--into", "kept", "--keep-structure"});
            ASSERT_EQ(kept.exitCode, 0) << kept.err.toStdString();
            EXPECT_TRUE(kept.out.endsWith(QString(" s") + shape.leftOut + "\n"))
                << kept.out.toStdString();
            EXPECT_EQ(Definition(db, "kept").replace("`kept`", "`n`"), Definition(db, "t"));
            EXPECT_EQ(Sorted(TestServer::Rows(db, "SELECT k, v FROM kept;")),
                      Sorted(TestServer::Rows(db, "SELECT k, v FROM plain;")));
            EXPECT_EQ(TestServer::Rows(db, "SHOW TABLES LIKE 'tarnwick%';"), QStringList{});
            TestServer::Run(db.database, {"DROP TABLE plain, kept;"});
        }
        EXPECT_EQ(TestServer::Checksum(db, "t"), before);
    }
}

// The AUTO_INCREMENT counter is no lower than the chosen table's, even past its highest id; a
// view has nothing to keep.
TEST(KeepStructure, KeepsTheCounterAndRefusesAView) {
    auto db = TestServer::FreshDatabaseForThisTest();
    TestServer::Run(db.database,
                    {"CREATE TABLE t (id INT AUTO_INCREMENT PRIMARY KEY, k INT);",
                     "INSERT INTO t (k) VALUES (1), (1), (2);", "DELETE FROM t WHERE id = 3;",
                     "CREATE VIEW tv AS SELECT * FROM t;"});
    const QStringList run = LoginArguments(db) + QStringList{"--key", "k", "--keep-structure"};
    ToolResult result = RunTool(run + QStringList{"--table", "t", "--into", "t2"});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(TestServer::Rows(db,
                               "SELECT AUTO_INCREMENT FROM information_schema.TABLES WHERE "
                               "TABLE_SCHEMA = DATABASE() AND TABLE_NAME = 't2';"),
              QStringList{"4"});
    result = RunTool(run + QStringList{"--table", "tv", "--into", "t3"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(result.err.contains("\"tv\" is a view")) << result.err.toStdString();
}

// The copy made like the chosen table reads it as the plain copy does: without locks.
TEST(KeepStructure, AWriterDuringTheCopyNeitherWaitsNorChangesTheCopy) {
    tarnwick::test::ExpectAWriterDuringTheCopyNotToWait(TestServer::FreshDatabaseForThisTest(),
                                                        {"--fast", "--keep-structure"});
}
