#pragma once

#include <gtest/gtest.h>

#include <functional>

#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

#include "db/Connection.h"
#include "db/ConnectionSettings.h"
#include "db/RowSet.h"
#include "tests/support/TestServer.h"

namespace tarnwick::test {

// tarnwick-dedupe run as a user runs it (TARNWICK_DEDUPE_PATH, defined by the test's target).
struct ToolResult {
    int exitCode = -1;
    QString out;
    QString err;
};

inline ToolResult RunTool(const QStringList& arguments) {
    QProcess process;
    process.start(TARNWICK_DEDUPE_PATH, arguments);
    EXPECT_TRUE(process.waitForFinished(120'000));
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

inline QStringList LoginArguments(const db::ConnectionSettings& s) {
    return {"--server", s.server,     "--port",   s.port,       "--user",
            s.user,     "--password", s.password, "--database", s.database};
}

// Whether the run's copy is at work, and the id of its session. Only a statement that reads the
// chosen table counts: the `CREATE TABLE ... LIKE` before a fill is over in a moment.
inline QString CopyingSession(const std::shared_ptr<db::Connection>& watcher) {
    const auto rows = db::OpenRowSet(watcher,
                                     "SELECT ID FROM information_schema.PROCESSLIST WHERE DB = "
                                     "DATABASE() AND (INFO LIKE 'CREATE TABLE `tarnwick_scratch_%' "
                                     "OR INFO LIKE 'INSERT INTO `tarnwick_scratch_%') AND INFO "
                                     "LIKE '% SELECT %'");
    return rows->RecordCount() == 0 ? QString() : rows->ValueAt(0, 0).value_or(QString());
}

// Makes a table `big` of 400,000 rows and runs tarnwick-dedupe on it with `arguments` added;
// `during` is called once while the run's copy works, with the process and the copy's session.
inline ToolResult WhileTheCopyWorks(const db::ConnectionSettings& db, const QStringList& arguments,
                                    const std::function<void(QProcess&, const QString&)>& during) {
    TestServer::Run(
        db.database,
        {"CREATE TABLE big (id INT PRIMARY KEY, name VARCHAR(40), amount INT);",
         "INSERT INTO big SELECT seq, CONCAT('name ', seq), seq FROM seq_1_to_400000;"});
    auto watcher = db::OpenConnection(db);
    QProcess run;
    run.start(TARNWICK_DEDUPE_PATH,
              arguments + QStringList{"--table", "big", "--key", "id", "--into", "big2"});
    QString session;
    while (session.isEmpty() && run.state() != QProcess::NotRunning) {
        session = CopyingSession(watcher);
        if (session.isEmpty()) run.waitForFinished(2);
    }
    EXPECT_FALSE(session.isEmpty()) << "the copy was never seen at work";
    if (!session.isEmpty()) during(run, session);
    EXPECT_TRUE(run.waitForFinished(120'000));
    return {run.exitCode(), QString::fromUtf8(run.readAllStandardOutput()),
            QString::fromUtf8(run.readAllStandardError())};
}

// While the copy works, updates and inserts rows of the chosen table from another session: those
// writes must not wait for the copy, and the copy must be the table as it was at one moment. The
// run takes `options` besides the login.
inline void ExpectAWriterDuringTheCopyNotToWait(const db::ConnectionSettings& db,
                                                const QStringList& options = {}) {
    auto writer = db::OpenConnection(db);
    writer->Execute("SET SESSION innodb_lock_wait_timeout = 1;");
    const ToolResult result =
        WhileTheCopyWorks(db, LoginArguments(db) + options, [&](QProcess&, auto&) {
            // Rows the copy has read already: at REPEATABLE READ it holds a lock on each until it
            // ends.
            writer->Execute("UPDATE big SET amount = -1 WHERE id = 1;");
            writer->Execute("INSERT INTO big VALUES (400001, 'late', 0);");
            EXPECT_FALSE(CopyingSession(writer).isEmpty()) << "the writer waited for the copy";
        });
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    // The copy is the table as it was at one moment: before the update, between the update and
    // the insert, or after both (the copy reads from the moment it reads its first row).
    const QString copied =
        TestServer::Rows(db, "SELECT COUNT(*), MIN(amount), MAX(id) FROM big2;").value(0);
    EXPECT_TRUE(copied == "400000|1|400000" || copied == "400000|-1|400000" ||
                copied == "400001|-1|400001")
        << copied.toStdString();
}

}  // namespace tarnwick::test
