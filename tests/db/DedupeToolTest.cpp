#include <gtest/gtest.h>

#include "tests/support/QtPrinting.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryFile>

#include "tests/support/TestServer.h"

using namespace Qt::Literals::StringLiterals;
using tarnwick::test::TestServer;

namespace {

struct ToolResult {
    int exitCode = -1;
    QString out;
    QString err;
};

ToolResult RunTool(const QStringList& arguments) {
    QProcess process;
    process.start(TARNWICK_DEDUPE_PATH, arguments);
    EXPECT_TRUE(process.waitForFinished(120'000));
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

QStringList LoginArguments(const tarnwick::db::ConnectionSettings& s) {
    return {"--server", s.server,     "--port",   s.port,       "--user",
            s.user,     "--password", s.password, "--database", s.database};
}

}  // namespace

TEST(DedupeTool, EchoesEveryStatementAndEndsWithASummary) {
    auto db = TestServer::FreshDatabaseForThisTest();
    TestServer::Run(db.database,
                    {"CREATE TABLE orders (id INT, name VARCHAR(9), city VARCHAR(9));",
                     "INSERT INTO orders VALUES (1,'a','x'), (2,'a','x'), (3,'b','y'), "
                     "(4,'c','z'), (5,'b','y');"});
    const ToolResult result =
        RunTool(LoginArguments(db) + QStringList{"--table", "orders", "--key", "name", "--key",
                                                 "city", "--into", "orders2", "--echo"});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(result.err.isEmpty()) << result.err.toStdString();
    QStringList lines = result.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 8) << result.out.toStdString();
    const QString temp = "TEMP_COLUMN_CREATED_BY_QUARNETT";
    EXPECT_EQ(
        lines.mid(0, 7),
        (QStringList{
            "DROP TABLE IF EXISTS `orders2`;", "CREATE TABLE `orders2` AS SELECT * from `orders`;",
            "ALTER TABLE `orders2` ADD `" + temp +
                "` INT UNSIGNED NOT NULL AUTO_INCREMENT, ADD PRIMARY KEY (" + temp + ");",
            "SELECT `name`, `city` FROM `orders2` ORDER BY `" + temp + "`;",
            "DELETE FROM `orders2` WHERE `" + temp + "` IN (5, 2)",
            "ALTER TABLE `orders2` DROP COLUMN `" + temp + "`;", "SELECT * FROM `orders2`;"}));
    EXPECT_TRUE(QRegularExpression(
                    R"(^kept 3 of 5 rows in orders2 \(2 duplicates removed\) in \d+\.\d{3} s$)")
                    .match(lines[7])
                    .hasMatch())
        << lines[7].toStdString();
    EXPECT_FALSE(result.out.contains(db.password));
    EXPECT_EQ(TestServer::Rows(db, "SELECT id FROM orders2;"), (QStringList{"1", "3", "4"}));
}

TEST(DedupeTool, ReportsFailingStepsOnStandardErrorAndExitsWithOne) {
    auto db = TestServer::FreshDatabaseForThisTest();
    QTemporaryFile passwordFile;
    ASSERT_TRUE(passwordFile.open());
    passwordFile.write((db.password + "\n").toUtf8());
    passwordFile.close();
    const ToolResult result =
        RunTool({"--server", db.server, "--port", db.port, "--user", db.user, "--password-file",
                 passwordFile.fileName(), "--database", db.database, "--table", "missing", "--key",
                 "a", "--into", "missing2"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.contains(
        "missing' doesn't exist\nin Quillomer2021/08/31.Form4.PushButton4_Click "
        "at line 154\n\nPlease email screenshot of this message to "))
        << result.err.toStdString();
    EXPECT_TRUE(result.out.startsWith("kept 0 of 0 rows in missing2 (0 duplicates removed)"))
        << result.out.toStdString();
}

TEST(DedupeTool, RefusesBadUsageAndTheChosenTablesNameWithoutConnecting) {
    auto db = TestServer::FreshDatabaseForThisTest();
    TestServer::Run(db.database, {"CREATE TABLE t (a INT);", "INSERT INTO t VALUES (1), (1);"});
    const QString before = TestServer::Checksum(db, "t");

    ToolResult result = RunTool(LoginArguments(db) + QStringList{"--table", "t", "--into", "t2"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(result.err.contains("missing --key")) << result.err.toStdString();
    EXPECT_TRUE(result.err.contains("usage: tarnwick-dedupe"));

    result = RunTool(LoginArguments(db) +
                     QStringList{"--table", "t", "--key", "a", "--into", "T", "--echo"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(result.out.isEmpty()) << result.out.toStdString();
    EXPECT_TRUE(result.err.contains("cannot be called \"T\"")) << result.err.toStdString();

    result = RunTool(LoginArguments(db) +
                     QStringList{"--table", "t", "--key", "a", "--into", " ", "--echo"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(result.out.isEmpty());
    EXPECT_EQ(TestServer::Checksum(db, "t"), before);

    result = RunTool({"--help"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(result.out.startsWith("usage: tarnwick-dedupe --server HOST --port PORT"));
}
