#include <gtest/gtest.h>

#include "tests/support/QtPrinting.h"

#include "db/Connection.h"
#include "db/DbError.h"
#include "db/RowSet.h"
#include "tests/support/TestServer.h"

using namespace tarnwick;
using test::TestServer;

namespace {

// A login of its own on the private server, for values the test user does not have.
class TestLogin {
  public:
    TestLogin(const QString& user, const QString& password) : user_(user), password_(password) {
        for (const QString& host : hosts_) {
            Admin("CREATE OR REPLACE USER " + Account(host) + " IDENTIFIED BY " +
                  Literal(password));
            Admin("GRANT ALL PRIVILEGES ON *.* TO " + Account(host));
        }
    }
    ~TestLogin() {
        for (const QString& host : hosts_) Admin("DROP USER IF EXISTS " + Account(host));
    }

    // The login values of `database` with this user and password.
    db::ConnectionSettings Settings(db::ConnectionSettings database) const {
        database.user = user_;
        database.password = password_;
        return database;
    }

  private:
    static void Admin(const QString& statement) { TestServer::Admin()->Execute(statement); }
    // Plain ASCII test values: a quoted literal with backslashes and quotes doubled is enough.
    static QString Literal(QString text) {
        return "'" + text.replace("\\", "\\\\").replace("'", "''") + "'";
    }
    QString Account(const QString& host) const { return Literal(user_) + "@" + Literal(host); }

    QString user_;
    QString password_;
    const QStringList hosts_{"localhost", "127.0.0.1", "%"};
};

// The driver's text when the login fails; empty when it works.
QString LoginFailure(const db::ConnectionSettings& settings) {
    try {
        db::OpenConnection(settings);
        return {};
    } catch (const db::DbError& e) {
        return e.Description();
    }
}

QString Ask(const db::ConnectionSettings& settings, const QString& query) {
    return db::OpenRowSet(db::OpenConnection(settings), query)->ValueAt(0, 0).value_or("NULL");
}

}  // namespace

TEST(LoginValues, CannotAddConnectionAttributesOfTheirOwn) {
    auto db = TestServer::FreshDatabaseForThisTest();
    const auto other = TestServer::FreshDatabase("t_login_other");

    // A port with an attribute after it: the driver reads the port, the database stays the one
    // typed in its own field.
    auto portWithMore = db;
    portWithMore.port = db.port + ";DATABASE=" + other.database;
    EXPECT_EQ(Ask(portWithMore, "SELECT DATABASE();"), db.database);

    // A user name with a statement after it: it is one (unknown) user name, and nothing runs,
    // neither on a connection nor on the silent start-up probe, even though the part before the
    // ";" is a user who could log in with that password.
    const TestLogin inj("inj", db.password);
    auto injecting = db;
    injecting.user = "inj;INITSTMT=CREATE TABLE " + db.database + ".pwned (a INT)";
    const QString refused = LoginFailure(injecting);
    EXPECT_TRUE(refused.contains("Access denied for user '" + injecting.user + "'"))
        << refused.toStdString();
    EXPECT_FALSE(db::CanConnect(injecting));
    EXPECT_TRUE(TestServer::Rows(db, "SHOW TABLES;").isEmpty());
    TestServer::Admin()->Execute("DROP DATABASE t_login_other;");
}

TEST(LoginValues, PasswordsWithSemicolonsAndBracesLogIn) {
    auto db = TestServer::FreshDatabaseForThisTest();
    const TestLogin login("tarnwick_braces", "pa;ss}{w;");
    auto settings = login.Settings(db);
    EXPECT_TRUE(db::CanConnect(settings));
    EXPECT_EQ(Ask(settings, "SELECT CURRENT_USER();").section('@', 0, 0), "tarnwick_braces");
    settings.password = "pa;ss}{w";
    EXPECT_FALSE(db::CanConnect(settings));
}

// Known limitation of MariaDB Connector/ODBC: it trims every value of the connection string, so
// a password of blanks arrives as no password at all.
TEST(LoginValues, APasswordOfBlanksNeverReachesTheServer) {
    auto db = TestServer::FreshDatabaseForThisTest();
    const TestLogin login("tarnwick_blanks", "   ");
    // Should this start to log in, the driver passes blanks on and the README's limitation is gone.
    const QString refused = LoginFailure(login.Settings(db));
    EXPECT_TRUE(refused.contains("(using password: NO)")) << refused.toStdString();
}
