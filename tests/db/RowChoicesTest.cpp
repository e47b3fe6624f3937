// tarnwick-dedupe's choices of comparison and kept row, in every plan and in a dry run, against the
// server's own numbering of each group: ROW_NUMBER() OVER (PARTITION BY the key fields, exactly or
// by their collation, ORDER BY the primary key as declared).
#include <gtest/gtest.h>

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <algorithm>
#include <random>

#include "tests/support/DedupeTool.h"
#include "tests/support/QtPrinting.h"
#include "tests/support/TestServer.h"

using tarnwick::test::LoginArguments;
using tarnwick::test::RunTool;
using tarnwick::test::Sorted;
using tarnwick::test::TestServer;
using tarnwick::test::ToolResult;

namespace {

// A chosen table t with the columns id, name (case-insensitive), bin (utf8mb4_bin, which pads),
// nopad (a NO PAD collation) and num; its primary key as declared, and how a row is named in a
// report (the key's column, or the position in the key's order).
struct Shape {
    const char* name;
    const char* key;    // the PRIMARY KEY clause's columns
    const char* order;  // the same as an ORDER BY
    const char* reversed;
    const char* naming;
    const char* engine = "InnoDB";
};

const Shape kShapes[] = {
    {"an integer key", "id", "id", "id DESC", "id"},
    {"a key declared descending", "id DESC", "id DESC", "id", "id"},
    {"a key of two columns", "num DESC, id", "num DESC, id", "num, id DESC",
     "ROW_NUMBER() OVER (ORDER BY num DESC, id)"},
    {"a text key", "code", "code", "code DESC", "code"},
    {"MyISAM, an integer key", "id", "id", "id DESC", "id", "MyISAM"},
};

// Values that the comparisons tell apart differently: letter case, trailing blanks, NULL and ''.
const char* const kTexts[] = {"NULL",   "''",      "'ann'",    "'Ann'",
                              "'Ann '", "'ANN  '", "'Straße'", "'STRASSE'"};

struct Choice {
    QStringList keys;
    bool collation;
    bool last;
};

// The server's (kept, removed) names of each row that goes, and the names of the rows that stay.
QStringList Expected(const tarnwick::db::ConnectionSettings& db, const Shape& shape,
                     const Choice& choice, bool kept) {
    QStringList partition;
    for (const QString& key : choice.keys) {
        partition << (choice.collation ? "COALESCE(" + key + ", '')"
                                       : "CAST(COALESCE(" + key + ", '') AS BINARY)");
    }
    const QString window = "(PARTITION BY " + partition.join(", ") + " ORDER BY " +
                           (choice.last ? shape.reversed : shape.order) + ")";
    const QString numbered = "SELECT FIRST_VALUE(nm) OVER " + window +
                             " AS kept, nm, ROW_NUMBER() OVER " + window +
                             " AS n1 FROM (SELECT *, " + shape.naming + " AS nm FROM t) AS named";
    return Sorted(TestServer::Rows(
        db, kept ? "SELECT nm FROM (" + numbered + ") AS o WHERE n1 = 1;"
                 : "SELECT CONCAT(kept, '|', nm) FROM (" + numbered + ") AS o WHERE n1 > 1;"));
}

// The report's lines after the header, each its first two fields.
QStringList ReportedPairs(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    QStringList lines = QString::fromUtf8(file.readAll()).split("\r\n", Qt::SkipEmptyParts);
    QStringList pairs;
    for (const QString& line : lines.mid(1)) pairs << line.section(',', 0, 1).replace(',', '|');
    return Sorted(pairs);
}

}  // namespace

TEST(RowChoices, EveryPlanAndTheDryRunKeepTheRowsTheServersNumberingKeeps) {
    const Choice kChoices[] = {
        {{"name"}, false, false},       {{"name"}, true, false}, {{"name"}, true, true},
        {{"name", "bin"}, true, false}, {{"nopad"}, true, true}, {{"bin", "num"}, false, true},
    };
    QTemporaryDir folder;
    std::mt19937 random(25);
    for (const Shape& shape : kShapes) {
        SCOPED_TRACE(shape.name);
        auto db = TestServer::FreshDatabaseForThisTest();
        TestServer::Run(db.database,
                        {QString("CREATE TABLE t (id INT NOT NULL, code VARCHAR(9) NOT NULL, "
                                 "name VARCHAR(9), bin VARCHAR(9) COLLATE utf8mb4_bin, nopad "
                                 "VARCHAR(9) COLLATE utf8mb4_nopad_bin, num INT NOT NULL, "
                                 "PRIMARY KEY (") +
                         shape.key + ")) ENGINE=" + shape.engine + ";"});
        QStringList rows;
        for (int id = 1; id <= 60; ++id) {
            const auto text = [&] { return QString(kTexts[random() % std::size(kTexts)]); };
            rows << QString("(%1, 'c%2', %3, %4, %5, %6)")
                        .arg(id * 7 % 61)
                        .arg(id * 13 % 97, 3, 10, QChar('0'))
                        .arg(text(), text(), text())
                        .arg(random() % 3);
        }
        TestServer::Run(db.database, {"INSERT INTO t VALUES " + rows.join(", ") + ";"});
        const QString before = TestServer::Checksum(db, "t");

        for (const Choice& choice : kChoices) {
            SCOPED_TRACE(choice.keys.join(",").toStdString() +
                         (choice.collation ? " collation" : " exact") +
                         (choice.last ? " last" : " first"));
            QStringList arguments = LoginArguments(db) << "--table"
                                                       << "t";
            for (const QString& key : choice.keys) arguments << "--key" << key;
            if (choice.collation)
                arguments << "--compare"
                          << "collation";
            if (choice.last)
                arguments << "--keep"
                          << "last";
            const QStringList expectedPairs = Expected(db, shape, choice, false);
            const QStringList expectedKept = Expected(db, shape, choice, true);

            const QString lookReport = folder.filePath("look.csv");
            const ToolResult look =
                RunTool(arguments + QStringList{"--dry-run", "--report", lookReport});
            ASSERT_EQ(look.exitCode, 0) << look.err.toStdString();
            EXPECT_TRUE(
                look.out.contains(QString("rows that would go: %1\n").arg(expectedPairs.size())))
                << look.out.toStdString();
            EXPECT_EQ(ReportedPairs(lookReport), expectedPairs);

            for (const char* plan : {"wizard", "fast"}) {
                SCOPED_TRACE(plan);
                const QString report = folder.filePath(QString(plan) + ".csv");
                QStringList run = arguments + QStringList{"--into", "n", "--report", report};
                if (QString(plan) == "fast") run << "--fast";
                const ToolResult result = RunTool(run);
                ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
                // The rows that stay, named as the report names them.
                EXPECT_EQ(Sorted(TestServer::Rows(
                              db, QString("SELECT nm FROM (SELECT t.*, ") + shape.naming +
                                      " AS nm FROM t) AS named WHERE (id, code) IN (SELECT id, "
                                      "code FROM n);")),
                          expectedKept);
                EXPECT_EQ(ReportedPairs(report), expectedPairs);
            }
        }
        EXPECT_EQ(TestServer::Checksum(db, "t"), before);
    }
}
