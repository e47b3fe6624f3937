#pragma once

#include <QString>
#include <QStringList>
#include <algorithm>
#include <memory>

#include "db/Connection.h"
#include "db/ConnectionSettings.h"

namespace tarnwick::test {

// The private MariaDB that CTest starts for the database and window tests (scripts/mariadb-sandbox,
// folder in TARNWICK_TEST_SANDBOX). Without it every call throws: database tests fail, never skip.
class TestServer {
  public:
    static QString Port();
    static QString User();
    static QString Password();

    // Login values for the test user on 127.0.0.1 over TCP.
    static db::ConnectionSettings Settings(const QString& database);

    // A connection without a default database, for setting up.
    static std::shared_ptr<db::Connection> Admin();

    // Drops and creates a database (utf8mb4) and returns the login values for it.
    static db::ConnectionSettings FreshDatabase(const QString& name);

    // A fresh database named after the running test, so that tests may run side by side.
    static db::ConnectionSettings FreshDatabaseForThisTest();

    // Every row of a query, each as its values joined by "|", NULL written as "NULL".
    static QStringList Rows(const db::ConnectionSettings& settings, const QString& query);
    // The same over an open connection.
    static QStringList Rows(const std::shared_ptr<db::Connection>& connection,
                            const QString& query);

    // The server's checksum of a table, to show that it did not change.
    static QString Checksum(const db::ConnectionSettings& settings, const QString& table);

    // Runs statements on a connection to `database`, one after the other.
    static void Run(const QString& database, std::initializer_list<QString> statements);

    // A view `broken` over the table t (a INT) of `database`, whose columns can be listed but whose
    // rows cannot be read: reading them fails with "The rows cannot be read". A copy of it fails.
    static void CreateUnreadableView(const QString& database);

    // An account `name` (created anew, password "p") with what `grants` give it, and its login
    // values for `database`. Each grant is a statement in which {account} stands for the account:
    // "GRANT SELECT ON `shop`.* TO {account}". The account is made for every host the test user
    // has (an anonymous account of the host would otherwise take its logins).
    static db::ConnectionSettings Account(const QString& name, const QString& database,
                                          std::initializer_list<QString> grants);
};

// Rows in order, for comparing the rows of two tables as sets.
inline QStringList Sorted(QStringList rows) {
    std::sort(rows.begin(), rows.end());
    return rows;
}

}  // namespace tarnwick::test
