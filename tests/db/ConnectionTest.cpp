#include <gtest/gtest.h>

#include "tests/support/QtPrinting.h"

#include "db/Connection.h"
#include "db/DbError.h"
#include "db/RowSet.h"
#include "db/StatementObserver.h"
#include "tests/support/RecordingMessageBoxService.h"
#include "tests/support/TestServer.h"

using namespace tarnwick::db;
using tarnwick::test::RecordingMessageBoxService;
using tarnwick::test::TestServer;

namespace {

// The description of the failure that `action` raises; fails the test when it raises none.
template <class Action>
DbError FailureOf(Action&& action) {
    try {
        action();
    } catch (const DbError& e) {
        return e;
    }
    ADD_FAILURE() << "no failure raised";
    return DbError("");
}

}  // namespace

TEST(Connection, OpensWithTheWorkingOptionsAndCloses) {
    auto connection = OpenConnection(TestServer::FreshDatabaseForThisTest());
    EXPECT_TRUE(connection->IsOpen());
    auto one = connection->Execute("SELECT 1;");
    EXPECT_EQ(one->Field(0), "1");
    connection->Close();
    EXPECT_FALSE(connection->IsOpen());
    EXPECT_EQ(FailureOf([&] { connection->Execute("SELECT 1;"); }).Description(),
              "Operation is not allowed when the object is closed.");
    // A row set opened before the close still reads, and lets go of its statement safely, first
    // or after its connection.
    EXPECT_EQ(one->Field(0), "1");
    one.reset();
    EXPECT_TRUE(FailureOf([&] { connection->Open("DSN=x"); }).Description().contains("closed"));

    auto other = OpenConnection(TestServer::Settings(QString()));
    auto two = OpenRowSet(other, "SELECT 2;");
    other->Close();
    other.reset();  // the row set now holds the closed connection alone
    EXPECT_EQ(two->Field(0), "2");
    two.reset();
}

TEST(Connection, FailuresCarryTheDriversOwnText) {
    auto settings = TestServer::FreshDatabaseForThisTest();

    auto wrongPassword = settings;
    wrongPassword.password += "x";
    const DbError denied = FailureOf([&] { OpenConnection(wrongPassword); });
    EXPECT_TRUE(denied.Description().startsWith("[ma-")) << denied.what();
    EXPECT_TRUE(denied.Description().contains("Access denied for user 'tarnwick'@"))
        << denied.what();
    EXPECT_TRUE(denied.Description().endsWith("(using password: YES)")) << denied.what();
    EXPECT_EQ(denied.SqlState(), "28000");
    EXPECT_EQ(QString::fromUtf8(denied.what()), denied.Description());

    auto unknownDatabase = settings;
    unknownDatabase.database = "no_such_database";
    EXPECT_TRUE(FailureOf([&] { OpenConnection(unknownDatabase); })
                    .Description()
                    .contains("Unknown database 'no_such_database'"));

    auto connection = OpenConnection(settings);
    const DbError missing = FailureOf([&] { connection->Execute("SELECT * FROM `nope`;"); });
    EXPECT_TRUE(
        missing.Description().contains("Table '" + settings.database + ".nope' doesn't exist"))
        << missing.what();
    EXPECT_EQ(missing.SqlState(), "42S02");
}

TEST(Connection, CanConnectAnswersSilently) {
    RecordingMessageBoxService boxes;
    auto settings = TestServer::FreshDatabaseForThisTest();
    EXPECT_TRUE(CanConnect(settings));

    auto wrongPassword = settings;
    wrongPassword.password = "wrong";
    EXPECT_FALSE(CanConnect(wrongPassword));

    auto closedPort = settings;
    closedPort.port = "1";
    EXPECT_FALSE(CanConnect(closedPort));

    auto garbage = settings;
    garbage.port = "not a port";
    garbage.server = "";
    EXPECT_FALSE(CanConnect(garbage));
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST(Connection, ObserversSeeEveryStatementInOrder) {
    auto settings = TestServer::FreshDatabaseForThisTest();
    QStringList seen;
    QStringList inner;
    {
        StatementObserverScope scope([&](const QString& s) { seen << s; });
        auto connection = OpenConnection(settings);
        connection->Execute("CREATE TABLE t (a INT);");
        {
            StatementObserverScope nested([&](const QString& s) { inner << s; });
            OpenRowSet(connection, "SELECT * FROM t;");
        }
        try {
            connection->Execute("SELECT broken FROM t;");
        } catch (const DbError&) {
        }
    }
    OpenConnection(settings)->Execute("DROP TABLE t;");
    EXPECT_EQ(seen, (QStringList{"CREATE TABLE t (a INT);", "SELECT * FROM t;",
                                 "SELECT broken FROM t;"}));
    EXPECT_EQ(inner, QStringList{"SELECT * FROM t;"});
}
