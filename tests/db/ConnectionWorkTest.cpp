#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTimer>
#include <thread>

#include "db/Connection.h"
#include "db/ConnectionWork.h"
#include "db/DbError.h"
#include "db/RowSet.h"
#include "db/StatementObserver.h"
#include "tests/support/QtPrinting.h"
#include "tests/support/TestServer.h"

using namespace tarnwick;
using test::TestServer;

namespace {

// The statements of the server's other sessions whose text begins with `prefix`.
QStringList RunningQueries(const QString& prefix) {
    return TestServer::Rows(TestServer::Settings({}),
                            "SELECT info FROM information_schema.processlist WHERE info LIKE '" +
                                prefix + "%' AND id <> CONNECTION_ID();");
}

// Waits (boundedly) until no session runs a statement that begins with `prefix`.
bool GoneFromTheServer(const QString& prefix) {
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (RunningQueries(prefix).isEmpty()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
    }
    return false;
}

// Stops sending, as a close does, once the wait for `statement` is under way.
class CloseDuring {
  public:
    explicit CloseDuring(const QString& statement)
        : observer_([this, statement](const QString& sent) {
              if (sent == statement) QTimer::singleShot(200, [this] { Close(); });
          }) {}
    ~CloseDuring() { db::ResumeSendingStatements(); }
    bool Closed() const { return closed_; }

  private:
    void Close() {
        closed_ = true;
        db::StopSendingStatements();
    }
    db::StatementObserverScope observer_;
    bool closed_ = false;
};

}  // namespace

TEST(ConnectionWork, TheCallRunsOnAWorkerWhileTheApplicationThreadProcessesEvents) {
    db::ConnectionWork work;
    const std::thread::id here = std::this_thread::get_id();
    std::thread::id worker;
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(5);
    work.Wait(nullptr, [&] {
        worker = std::this_thread::get_id();
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    });
    EXPECT_NE(worker, here);
    EXPECT_GT(ticks, 5);

    // Off the application's thread nothing processes events there: the call runs in place.
    std::thread::id offThread;
    std::thread::id inCall;
    std::thread([&] {
        offThread = std::this_thread::get_id();
        work.Wait(nullptr, [&] { inCall = std::this_thread::get_id(); });
    }).join();
    EXPECT_EQ(inCall, offThread);

    // A failure of the call reaches the caller as it was thrown.
    try {
        work.Wait(nullptr, [] { throw db::DbError("driver text", "HY000"); });
        FAIL() << "no failure came back";
    } catch (const db::DbError& e) {
        EXPECT_EQ(e.Description(), "driver text");
        EXPECT_EQ(e.SqlState(), "HY000");
    }
}

TEST(ConnectionWork, WindowEventsAreProcessedWhileTheServerWorksOnAStatement) {
    auto connection = db::OpenConnection(TestServer::FreshDatabaseForThisTest());
    int ticks = 0;
    bool busyInside = false;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        ++ticks;
        busyInside = busyInside || connection->Work().AtWork();
    });
    timer.start(10);
    auto rows = connection->Execute("SELECT SLEEP(0.5) AS slept;");
    timer.stop();
    EXPECT_EQ(rows->Field(0), "0");
    EXPECT_GT(ticks, 10);
    EXPECT_TRUE(busyInside);
    EXPECT_FALSE(connection->Work().AtWork());
}

TEST(ConnectionWork, AConnectionAtWorkTakesNoSecondStatement) {
    auto connection = db::OpenConnection(TestServer::FreshDatabaseForThisTest());
    QString refusal;
    QTimer::singleShot(50, [&] {
        try {
            connection->Execute("SELECT 2;");
        } catch (const db::DbError& e) {
            refusal = e.Description();
        }
    });
    connection->Execute("SELECT SLEEP(0.4);");
    EXPECT_TRUE(refusal.startsWith("The connection is still at work on another statement"))
        << refusal.toStdString();
    EXPECT_EQ(connection->Execute("SELECT 3;")->Field(0), "3");
}

TEST(ConnectionWork, StoppingCancelsTheStatementAtWorkAndSendsNothingMore) {
    auto connection = db::OpenConnection(TestServer::FreshDatabaseForThisTest());
    const QString slow = "SELECT SLEEP(5.0417);";
    CloseDuring close(slow);
    QElapsedTimer elapsed;
    elapsed.start();
    try {
        connection->Execute(slow);
        FAIL() << "the statement was not interrupted";
    } catch (const db::DbError& e) {
        EXPECT_TRUE(e.Description().contains("interrupted")) << e.what();
    }
    EXPECT_TRUE(close.Closed());
    EXPECT_LT(elapsed.elapsed(), 4000);

    QStringList sent;
    {
        db::StatementObserverScope observer([&](const QString& s) { sent << s; });
        try {
            connection->Execute("SELECT 1;");
            FAIL() << "a statement went out after the stop";
        } catch (const db::DbError& e) {
            EXPECT_EQ(e.Description(), "Tarnwick is closing: the statement was not sent.");
        }
    }
    EXPECT_TRUE(sent.isEmpty());
    db::ResumeSendingStatements();  // to look at the server
    EXPECT_TRUE(GoneFromTheServer("SELECT SLEEP(5.0417)"));
}

TEST(ConnectionWork, ACancelledCopyLeavesNoTableAndTheSourceUntouched) {
    const db::ConnectionSettings login = TestServer::FreshDatabaseForThisTest();
    TestServer::Run(login.database,
                    {"CREATE TABLE src (n INT);", "INSERT INTO src SELECT seq FROM seq_1_to_40;"});
    const QString before = TestServer::Checksum(login, "src");
    auto connection = db::OpenConnection(login);
    // A copy that takes the server 4 s: a tenth of a second per row.
    const QString copy = "CREATE TABLE `copy` AS SELECT n FROM `src` WHERE SLEEP(0.1) = 0;";
    {
        CloseDuring close(copy);
        EXPECT_THROW(connection->Execute(copy), db::DbError);
        EXPECT_TRUE(close.Closed());
    }
    EXPECT_TRUE(GoneFromTheServer("CREATE TABLE `copy`"));
    EXPECT_EQ(TestServer::Rows(login, "SHOW TABLES;"), QStringList{"src"});
    EXPECT_EQ(TestServer::Checksum(login, "src"), before);
}

TEST(ConnectionWork, ARowSetLetGoOfWhileItsConnectionWorksIsFreedAfterwards) {
    auto connection = db::OpenConnection(TestServer::FreshDatabaseForThisTest());
    std::weak_ptr<db::Connection> weak = connection;
    auto rows = db::OpenRowSet(connection, "SELECT seq FROM seq_1_to_2000;");
    bool couldReadFar = true;
    bool couldReadFirst = false;
    QTimer::singleShot(50, [&] {
        // The first rows are at hand; others would need the busy connection.
        couldReadFirst = rows->CanReadAt(0) && rows->ValueAt(0, 0) == "1";
        couldReadFar = rows->CanReadAt(1999);
        EXPECT_THROW(rows->ValueAt(1999, 0), db::DbError);
        rows.reset();
    });
    connection->Execute("SELECT SLEEP(0.3);");
    EXPECT_TRUE(couldReadFirst);
    EXPECT_FALSE(couldReadFar);
    connection.reset();
    EXPECT_TRUE(weak.expired());
}
