#include <gtest/gtest.h>

#include "tests/support/QtPrinting.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include "db/Connection.h"
#include "db/RowSet.h"
#include "tests/support/DedupeTool.h"
#include "tests/support/RunStatements.h"
#include "tests/support/TestServer.h"

using namespace Qt::Literals::StringLiterals;
using tarnwick::test::TestServer;

using tarnwick::test::LoginArguments;
using tarnwick::test::RunTool;
using tarnwick::test::ToolResult;

TEST(DedupeTool, EchoesEveryStatementAndEndsWithASummary) {
    auto db = TestServer::FreshDatabaseForThisTest();
    TestServer::Run(db.database,
                    {"CREATE TABLE orders (id INT PRIMARY KEY, name VARCHAR(9), city VARCHAR(9));",
                     "INSERT INTO orders VALUES (1,'a','x'), (2,'a','x'), (3,'b','y'), "
                     "(4,'c','z'), (5,'b','y');"});
    const ToolResult result =
        RunTool(LoginArguments(db) + QStringList{"--table", "orders", "--key", "name", "--key",
                                                 "city", "--into", "orders2", "--echo"});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(result.err.isEmpty()) << result.err.toStdString();
    QStringList lines = result.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 14) << result.out.toStdString();
    const QString s = lines[6].mid(QString("DROP TABLE IF EXISTS ").size()).chopped(1);
    EXPECT_TRUE(s.startsWith("`tarnwick_scratch_")) << lines[6].toStdString();
    // The run's statements up to the swap: the command line reads no rows of the new table.
    QStringList statements = tarnwick::test::OrdersRunStatements(s);
    EXPECT_EQ(statements.takeLast(), "SELECT * FROM `orders2` LIMIT 0, 1024;");
    EXPECT_EQ(statements.takeLast(), tarnwick::test::kPreviewTimeZone);
    EXPECT_EQ(lines.mid(0, 13), statements);
    EXPECT_TRUE(QRegularExpression(
                    R"(^kept 3 of 5 rows in `orders2` \(2 duplicates removed\) in \d+\.\d{3} s$)")
                    .match(lines[13])
                    .hasMatch())
        << lines[13].toStdString();
    EXPECT_FALSE(result.out.contains(db.password));
    EXPECT_EQ(TestServer::Rows(db, "SELECT id FROM orders2;"), (QStringList{"1", "3", "4"}));
}

// --fast: the copy keeps the chosen table's key, the summary is the same, and --help says what the
// new table has that it would not have without --fast.
TEST(DedupeTool, TheFastPlanKeepsTheKeyAndItsHelpSaysSo) {
    auto db = TestServer::FreshDatabaseForThisTest();
    TestServer::Run(db.database, {"CREATE TABLE orders (id INT PRIMARY KEY, name VARCHAR(9));",
                                  "INSERT INTO orders VALUES (1,'a'), (2,'a'), (3,'b');"});
    const ToolResult result =
        RunTool(LoginArguments(db) + QStringList{"--table", "orders", "--key", "name", "--into",
                                                 "orders2", "--fast", "--echo"});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(
        result.out.contains("(PRIMARY KEY (`id`)) AS SELECT * from `orders` ORDER BY `id`;"));
    EXPECT_TRUE(result.out.contains("kept 2 of 3 rows in `orders2` (1 duplicate removed)"))
        << result.out.toStdString();
    EXPECT_EQ(TestServer::Rows(db, "SHOW KEYS FROM orders2;").size(), 1);

    const ToolResult help = RunTool({"--help"});
    EXPECT_TRUE(help.out.contains("--fast")) << help.out.toStdString();
    EXPECT_TRUE(help.out.contains("keeps that primary key")) << help.out.toStdString();
}

// A failing step is one line on standard error: what the step does and the server's own words,
// and nothing of the steps that could not follow it.
TEST(DedupeTool, ReportsAFailingStepOnOneLineAndExitsWithOne) {
    auto db = TestServer::FreshDatabaseForThisTest();
    TestServer::Run(db.database, {"CREATE TABLE t (a INT);", "INSERT INTO t VALUES (1), (1);"});
    TestServer::CreateUnreadableView(db.database);
    QTemporaryFile passwordFile;
    ASSERT_TRUE(passwordFile.open());
    passwordFile.write((db.password + "\n").toUtf8());
    passwordFile.close();
    const ToolResult result =
        RunTool({"--server", db.server, "--port", db.port, "--user", db.user, "--password-file",
                 passwordFile.fileName(), "--database", db.database, "--table", "broken", "--key",
                 "a", "--into", "broken2"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.startsWith(
        "tarnwick-dedupe: line 154 (copy the chosen table into the scratch table) failed: [ma-"))
        << result.err.toStdString();
    EXPECT_TRUE(result.err.endsWith("The rows cannot be read\n")) << result.err.toStdString();
    EXPECT_EQ(result.err.count('\n'), 1);
    EXPECT_TRUE(QRegularExpression(
                    R"(^failed at line 154 in \d+\.\d{3} s: no table was created )"
                    R"(and this run did not create or change `broken2`; `broken` was only read\n$)")
                    .match(result.out)
                    .hasMatch())
        << result.out.toStdString();
}

// What the run cannot do here is said in one line before anything changes, with exit status 2:
// a table that is not there, an account that lacks a privilege the run needs (its own grants and
// its role's count), a login that no longer works.
TEST(DedupeTool, RefusesInOneLineWhatTheServerCannotDoBeforeAnythingChanges) {
    auto db = TestServer::FreshDatabaseForThisTest();
    TestServer::Run(db.database, {"CREATE TABLE t (a INT);", "INSERT INTO t VALUES (1), (1);"});
    const QString all = "SELECT, INSERT, CREATE, ALTER, DROP, DELETE";
    const QString onDb = " ON `" + db.database + "`.* TO {account}";
    const QString prefix = db.database.left(8);
    const auto account = [&](const QString& name, std::initializer_list<QString> grants) {
        return TestServer::Account(prefix + name, db.database, grants);
    };
    const auto refused = [&](const tarnwick::db::ConnectionSettings& login, const QString& table,
                             const QString& says) {
        SCOPED_TRACE(login.user.toStdString() + " " + table.toStdString());
        const ToolResult result =
            RunTool(LoginArguments(login) +
                    QStringList{"--table", table, "--key", "a", "--into", "t2", "--echo"});
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_TRUE(result.err.startsWith("tarnwick-dedupe: ")) << result.err.toStdString();
        EXPECT_TRUE(result.err.contains(says)) << result.err.toStdString();
        EXPECT_EQ(result.err.count('\n'), 1) << result.err.toStdString();
        EXPECT_FALSE(result.out.contains("DROP") || result.out.contains("CREATE"))
            << result.out.toStdString();
        const QStringList out = result.out.split('\n', Qt::SkipEmptyParts);
        EXPECT_TRUE(!out.isEmpty() && (out.last().startsWith("refused in ") ||
                                       out.last().startsWith("failed at line 118 in ")))
            << result.out.toStdString();
        EXPECT_EQ(TestServer::Rows(db, "SHOW TABLES;"), QStringList{"t"});
    };

    refused(db, "T_missing", "There is no table \"T_missing\" in the database");
    const auto reader = account("_ro", {"GRANT SELECT" + onDb});
    refused(reader, "t",
            "lacks the privileges INSERT, CREATE, ALTER, DROP, DELETE on the database");
    // A dry run only reads: an account that may only read can look, and nothing that writes is
    // sent.
    const ToolResult look = RunTool(
        LoginArguments(reader) + QStringList{"--table", "t", "--key", "a", "--dry-run", "--echo"});
    EXPECT_EQ(look.exitCode, 0) << look.err.toStdString();
    EXPECT_TRUE(
        look.out.contains("START TRANSACTION WITH CONSISTENT SNAPSHOT, READ ONLY;\nSELECT "))
        << look.out.toStdString();
    EXPECT_TRUE(QRegularExpression("\\n(CREATE|DROP|INSERT|DELETE|ALTER|RENAME|UPDATE) ")
                    .match(look.out)
                    .hasMatch() == false)
        << look.out.toStdString();
    EXPECT_TRUE(look.out.endsWith("1 of 2 rows of `t` would go; nothing was changed\n"))
        << look.out.toStdString();
    const auto noDrop = account("_nodrop", {"GRANT SELECT, INSERT, CREATE, ALTER, DELETE" + onDb});
    refused(noDrop, "t", "lacks the privilege DROP on the database");
    refused(noDrop, "t", "GRANT DROP ON `" + db.database + "`.* TO '" + noDrop.user + "'@'");
    auto stale = db;
    stale.password = "no longer this";
    refused(stale, "t",
            "tarnwick-dedupe: line 118 (open the connection with the login values) failed: "
            "[ma-3.1.15]Access denied for user");

    // The privileges of the account's role count, as the server counts them.
    TestServer::Admin()->Execute("DROP ROLE IF EXISTS " + prefix + "_runner;");
    TestServer::Admin()->Execute("CREATE ROLE " + prefix + "_runner;");
    TestServer::Admin()->Execute("GRANT " + all + " ON `" + db.database + "`.* TO " + prefix +
                                 "_runner;");
    const auto withRole =
        account("_role", {"GRANT " + prefix + "_runner TO {account}",
                          "SET DEFAULT ROLE " + prefix + "_runner FOR {account}"});
    const ToolResult result = RunTool(LoginArguments(withRole) +
                                      QStringList{"--table", "t", "--key", "a", "--into", "t2"});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(TestServer::Rows(db, "SELECT * FROM t2;"), QStringList{"1"});
}

TEST(DedupeTool, RefusesBadUsageAndTheChosenTablesNameWithoutConnecting) {
    auto db = TestServer::FreshDatabaseForThisTest();
    TestServer::Run(db.database, {"CREATE TABLE t (a INT);", "INSERT INTO t VALUES (1), (1);"});
    const QString before = TestServer::Checksum(db, "t");

    ToolResult result = RunTool(LoginArguments(db) + QStringList{"--table", "t", "--into", "t2"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(result.err.contains("missing --key")) << result.err.toStdString();
    EXPECT_TRUE(result.err.endsWith("(tarnwick-dedupe --help shows the usage)\n"));
    EXPECT_EQ(result.err.count('\n'), 1);
    // With nothing given, every missing option is named at once.
    result = RunTool({});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(
        result.err.startsWith("tarnwick-dedupe: missing --server, --port, --user, "
                              "--database, --table, --key, --into (tarnwick-dedupe --help "
                              "shows the usage)\n"))
        << result.err.toStdString();
    result = RunTool({"--version"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(
        QRegularExpression(R"(^tarnwick-dedupe \d+\.\d+\.\d+\n$)").match(result.out).hasMatch())
        << result.out.toStdString();

    result = RunTool(LoginArguments(db) +
                     QStringList{"--table", "t", "--key", "a", "--into", "T", "--echo"});
    EXPECT_EQ(result.exitCode, 2);
    // Refused before connecting: nothing echoed, the status last.
    EXPECT_TRUE(result.out.startsWith("refused in ")) << result.out.toStdString();
    EXPECT_EQ(result.out.count('\n'), 1);
    EXPECT_TRUE(result.err.contains("cannot be called \"T\"")) << result.err.toStdString();

    result = RunTool(LoginArguments(db) +
                     QStringList{"--table", "t", "--key", "a", "--into", " ", "--echo"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(result.out.startsWith("refused in ")) << result.out.toStdString();
    EXPECT_EQ(TestServer::Checksum(db, "t"), before);

    result = RunTool({"--help"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(result.out.startsWith("usage: tarnwick-dedupe --server HOST --port PORT"));
}

TEST(DedupeTool, AFailedRunSaysWhichLineFailedAndWhatIsKnownOfTheNewTable) {
    auto db = TestServer::FreshDatabaseForThisTest();
    TestServer::Run(db.database, {"CREATE TABLE archive (id INT, note TEXT);",
                                  "INSERT INTO archive VALUES (1, 'kept');",
                                  "CREATE TABLE t (a INT, TEMP_COLUMN_CREATED_BY_QUARNETT INT);",
                                  "INSERT INTO t VALUES (1, 30), (1, 20), (1, 10);",
                                  "CREATE VIEW tv AS SELECT id AS a FROM archive;"});
    const QString archive = TestServer::Checksum(db, "archive");

    // A misspelt chosen table: refused, and the table of the new name stays.
    ToolResult result = RunTool(LoginArguments(db) +
                                QStringList{"--table", "smal", "--key", "a", "--into", "archive"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(QRegularExpression(R"(^refused in \d+\.\d{3} s: nothing was changed\n$)")
                    .match(result.out)
                    .hasMatch())
        << result.out.toStdString();
    EXPECT_EQ(TestServer::Checksum(db, "archive"), archive);

    // A chosen view that cannot be read: the copy fails and the table of the new name stays.
    TestServer::CreateUnreadableView(db.database);
    result = RunTool(LoginArguments(db) +
                     QStringList{"--table", "broken", "--key", "a", "--into", "archive"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(QRegularExpression(
                    R"(^failed at line 154 in \d+\.\d{3} s: no table was created and )"
                    R"(this run did not create or change `archive`; `broken` was only read\n$)")
                    .match(result.out)
                    .hasMatch())
        << result.out.toStdString();
    EXPECT_EQ(TestServer::Checksum(db, "archive"), archive);

    // The chosen table has a column of the temporary column's name: refused before anything
    // changes, with exit status 2.
    result =
        RunTool(LoginArguments(db) + QStringList{"--table", "t", "--key", "a", "--into", "t2"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(result.err.contains("already has a column named TEMP_COLUMN_CREATED_BY_QUARNETT"))
        << result.err.toStdString();
    EXPECT_TRUE(TestServer::Rows(db, "SHOW TABLES LIKE 'tarnwick%';").isEmpty());

    // A view over the table of the new name is refused before anything changes.
    result = RunTool(LoginArguments(db) +
                     QStringList{"--table", "tv", "--key", "a", "--into", "archive"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(result.err.contains("the view \"tv\" that you chose reads from"))
        << result.err.toStdString();
    EXPECT_TRUE(result.out.startsWith("refused in ")) << result.out.toStdString();
    EXPECT_EQ(TestServer::Checksum(db, "archive"), archive);
}

TEST(DedupeTool, TwoRunsIntoTheSameNameAtOnceEachTellTheTruth) {
    auto db = TestServer::FreshDatabaseForThisTest();
    TestServer::Run(db.database,
                    {"CREATE TABLE big (id INT, k INT);",
                     "INSERT INTO big SELECT seq, seq % 1000 FROM seq_1_to_150000;",
                     "CREATE TABLE archive (old TEXT);", "INSERT INTO archive VALUES ('before');"});
    const QString before = TestServer::Checksum(db, "big");
    const QStringList arguments =
        LoginArguments(db) + QStringList{"--table", "big", "--key", "k", "--into", "archive"};
    QProcess first, second;
    first.start(TARNWICK_DEDUPE_PATH, arguments);
    second.start(TARNWICK_DEDUPE_PATH, arguments);
    for (QProcess* run : {&first, &second}) {
        ASSERT_TRUE(run->waitForFinished(120'000));
        const QString out = QString::fromUtf8(run->readAllStandardOutput());
        if (run->exitCode() == 0) {
            EXPECT_TRUE(
                out.startsWith("kept 1000 of 150000 rows in `archive` (149000 duplicates "
                               "removed)"))
                << out.toStdString();
        } else {
            // Only the swap may lose the race, and then the result is complete in the scratch
            // table.
            EXPECT_TRUE(out.startsWith("failed at line 176")) << out.toStdString();
            EXPECT_TRUE(
                out.contains("holds the deduplicated copy of `big` (kept 1000 of 150000 "
                             "rows, 149000 duplicates removed)"))
                << out.toStdString();
        }
    }
    EXPECT_EQ(TestServer::Rows(db, "SELECT COUNT(*), COUNT(DISTINCT k) FROM archive;"),
              QStringList{"1000|1000"});
    EXPECT_TRUE(TestServer::Rows(db, "SHOW TABLES LIKE 'tarnwick\\_retired\\_%';").isEmpty());
    EXPECT_EQ(TestServer::Checksum(db, "big"), before);
}

TEST(DedupeTool, AWriterDuringTheCopyNeitherWaitsItOutNorFailsAndTheCopyIsConsistent) {
    tarnwick::test::ExpectAWriterDuringTheCopyNotToWait(TestServer::FreshDatabaseForThisTest());
}

// The process list shows nothing of a password given on the command line, not even its length.
TEST(DedupeTool, TheProcessListShowsNothingOfThePassword) {
    const auto db = TestServer::FreshDatabaseForThisTest();
    const ToolResult result =
        tarnwick::test::WhileTheCopyWorks(db, LoginArguments(db), [&](QProcess& run, auto&) {
            QFile cmdline(QString("/proc/%1/cmdline").arg(run.processId()));
            ASSERT_TRUE(cmdline.open(QIODevice::ReadOnly));
            const QByteArray shown = cmdline.readAll();
            EXPECT_FALSE(shown.contains(db.password.toUtf8()));
            QStringList arguments = QString::fromUtf8(shown).split(QChar(0));
            while (!arguments.isEmpty() && arguments.last().isEmpty()) arguments.removeLast();
            QStringList expected = LoginArguments(db);
            expected.removeAt(expected.indexOf("--password") + 1);
            expected << "--table"
                     << "big"
                     << "--key"
                     << "id"
                     << "--into"
                     << "big2";
            EXPECT_EQ(arguments.mid(1), expected);
        });
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
}

// A statement the server stops, or a connection it drops, is named as such, with what is known of
// the tables: the chosen one was only read, a table of the new name is as it was.
TEST(DedupeTool, AStoppedCopyIsNamedAsSuchAndLeavesEveryTableAsItWas) {
    const auto db = TestServer::FreshDatabaseForThisTest();
    TestServer::Run(db.database,
                    {"CREATE TABLE big2 (kept TEXT);", "INSERT INTO big2 VALUES ('x');"});
    auto admin = tarnwick::db::OpenConnection(db);
    const ToolResult result = tarnwick::test::WhileTheCopyWorks(
        db, LoginArguments(db),
        [&](QProcess&, const QString& session) { admin->Execute("KILL QUERY " + session + ";"); });
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.startsWith(
        "tarnwick-dedupe: line 154 (copy the chosen table into the scratch table) failed: the "
        "server stopped the statement (it was killed, or ran past a time limit); running again is "
        "safe, as the run starts afresh ([ma-"))
        << result.err.toStdString();
    EXPECT_EQ(result.err.count('\n'), 1) << result.err.toStdString();
    EXPECT_TRUE(
        result.out.contains("this run did not create or change `big2`; `big` was only read"))
        << result.out.toStdString();
    EXPECT_EQ(TestServer::Rows(db, "SELECT * FROM big2;"), QStringList{"x"});
    EXPECT_EQ(TestServer::Rows(db, "SELECT COUNT(*) FROM big;"), QStringList{"400000"});
}

TEST(DedupeTool, APortMustBeAWholeNumberAndTheSummaryKeepsNamesOnItsLine) {
    auto db = TestServer::FreshDatabaseForThisTest();
    TestServer::Run(db.database, {"CREATE TABLE t (a INT);", "INSERT INTO t VALUES (1), (1);"});
    const QStringList rest{"--user",  db.user, "--password", db.password, "--database", db.database,
                           "--table", "t",     "--key",      "a",         "--into",     "t2"};
    // The driver would read these as port 3306, or as 33560.
    for (const QString& port : {u"abc"_s, u""_s, db.port + "x", u"0"_s, u"65536"_s, u"-1"_s}) {
        const ToolResult result =
            RunTool(QStringList{"--server", db.server, "--port", port} + rest);
        EXPECT_EQ(result.exitCode, 2) << port.toStdString();
        EXPECT_TRUE(result.err.contains("--port must be a whole number from 1 to 65535"))
            << result.err.toStdString();
    }
    EXPECT_EQ(TestServer::Rows(db, "SHOW TABLES;"), QStringList{"t"});

    // A line break in the new name is written as an escape: the summary stays one line.
    const ToolResult result =
        RunTool(LoginArguments(db) + QStringList{"--table", "t", "--key", "a", "--into", "a\nb\\"});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(result.out.startsWith("kept 1 of 2 rows in `a\\nb\\\\` (1 duplicate removed) in "))
        << result.out.toStdString();
    EXPECT_EQ(result.out.count('\n'), 1);
    EXPECT_EQ(TestServer::Rows(db, "SELECT * FROM `a\nb\\`;"), QStringList{"1"});
}

// The report is refused before anything changes when it cannot be written, is written only when
// the run completes (a file that was there stays as it was otherwise), and with "-" has standard
// output to itself: CSV with quotes where a value needs them, the status on standard error.
TEST(DedupeTool, TheReportIsWrittenOnlyWhenTheRunCompletes) {
    auto db = TestServer::FreshDatabaseForThisTest();
    TestServer::Run(db.database, {"CREATE TABLE t (id INT PRIMARY KEY, a VARCHAR(9));",
                                  "INSERT INTO t VALUES (1, 'x,\"y'), (2, 'x,\"y'), (3, NULL);"});
    TestServer::CreateUnreadableView(db.database);
    const QStringList run = LoginArguments(db) + QStringList{"--key", "a", "--into", "t2"};

    ToolResult result =
        RunTool(run + QStringList{"--table", "t", "--report", "/nonexistent/r.csv"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(
        result.err.startsWith("tarnwick-dedupe: the report cannot be written to "
                              "/nonexistent/r.csv: "))
        << result.err.toStdString();
    EXPECT_EQ(TestServer::Rows(db, "SHOW TABLES LIKE 't2';"), QStringList{});

    QTemporaryDir folder;
    const QString path = folder.filePath("r.csv");
    QFile existing(path);
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("as it was\n");
    existing.close();
    result = RunTool(LoginArguments(db) + QStringList{"--table", "broken", "--key", "a", "--into",
                                                      "b2", "--report", path});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(
        result.err.contains("tarnwick-dedupe: the report was not written: the run did not "
                            "complete\n"))
        << result.err.toStdString();
    ASSERT_TRUE(existing.open(QIODevice::ReadOnly));
    EXPECT_EQ(existing.readAll(), "as it was\n");
    existing.close();

    result = RunTool(run + QStringList{"--table", "t", "--report", "-"});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(result.out, "kept,removed,a\r\n1,2,\"x,\"\"y\"\r\n");
    EXPECT_TRUE(result.err.startsWith("kept 2 of 3 rows in `t2` (1 duplicate removed)"))
        << result.err.toStdString();

    // Progress only when asked for (standard error is no terminal here), on standard error, each
    // update over the last, the line left empty before the status.
    result = RunTool(run + QStringList{"--table", "t", "--progress"});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(result.err.contains("\rcopying `t`")) << result.err.toStdString();
    EXPECT_TRUE(result.err.contains("\rdeleting duplicates: 0 of 1 rows (0%)"))
        << result.err.toStdString();
    EXPECT_TRUE(result.err.endsWith('\r') && !result.err.contains('\n'));
    EXPECT_EQ(result.out.count('\n'), 1) << result.out.toStdString();

    for (const QStringList& wrong :
         {QStringList{"--report", "-", "--echo"}, QStringList{"--keep", "middle"},
          QStringList{"--compare", "case"}, QStringList{"--report", ""}}) {
        result = RunTool(run + QStringList{"--table", "t"} + wrong);
        EXPECT_EQ(result.exitCode, 2) << wrong.join(' ').toStdString();
        EXPECT_EQ(result.err.count('\n'), 1) << result.err.toStdString();
    }
}
