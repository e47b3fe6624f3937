#pragma once

#include <gtest/gtest.h>

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

// Makes a table `big` of 400,000 rows, runs tarnwick-dedupe on it and, while its copy works,
// updates and inserts rows of it from another session: those writes must not wait for the copy,
// and the copy must be the table as it was at one moment.
inline void ExpectAWriterDuringTheCopyNotToWait(const db::ConnectionSettings& db) {
    TestServer::Run(
        db.database,
        {"CREATE TABLE big (id INT PRIMARY KEY, name VARCHAR(40), amount INT);",
         "INSERT INTO big SELECT seq, CONCAT('name ', seq), seq FROM seq_1_to_400000;"});
    auto writer = db::OpenConnection(db);
    writer->Execute("SET SESSION innodb_lock_wait_timeout = 1;");
    const auto copying = [&] {
        return db::OpenRowSet(writer,
                              "SELECT COUNT(*) FROM information_schema.PROCESSLIST "
                              "WHERE DB = DATABASE() AND INFO LIKE "
                              "'CREATE TABLE `tarnwick_scratch_%'")
                   ->ValueAt(0, 0) == "1";
    };

    QProcess run;
    run.start(TARNWICK_DEDUPE_PATH,
              LoginArguments(db) + QStringList{"--table", "big", "--key", "id", "--into", "big2"});
    bool seen = false;
    while (!seen && run.state() != QProcess::NotRunning) {
        seen = copying();
        if (!seen) run.waitForFinished(2);
    }
    ASSERT_TRUE(seen) << "the copy was never seen at work";
    // Rows the copy has read already: at REPEATABLE READ it holds a lock on each until it ends.
    writer->Execute("UPDATE big SET amount = -1 WHERE id = 1;");
    writer->Execute("INSERT INTO big VALUES (400001, 'late', 0);");
    EXPECT_TRUE(copying()) << "the writer waited until the copy had ended";

    ASSERT_TRUE(run.waitForFinished(120'000));
    EXPECT_EQ(run.exitCode(), 0) << run.readAllStandardError().toStdString();
    // The copy is the table as it was at one moment: before the update, between the update and
    // the insert, or after both (the copy reads from the moment it reads its first row).
    const QString copied =
        TestServer::Rows(db, "SELECT COUNT(*), MIN(amount), MAX(id) FROM big2;").value(0);
    EXPECT_TRUE(copied == "400000|1|400000" || copied == "400000|-1|400000" ||
                copied == "400001|-1|400001")
        << copied.toStdString();
}

}  // namespace tarnwick::test
