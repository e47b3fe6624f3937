#include "tests/support/TestServer.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcessEnvironment>
#include <stdexcept>

#include "db/Identifier.h"
#include "db/RowSet.h"

namespace tarnwick::test {
namespace {

QString SandboxFile(const QString& name) {
    const QString dir = qEnvironmentVariable("TARNWICK_TEST_SANDBOX");
    if (dir.isEmpty()) {
        throw std::runtime_error(
            "TARNWICK_TEST_SANDBOX is not set: run the tests through ctest (scripts/test), which "
            "starts the private MariaDB");
    }
    QFile file(dir + u'/' + name);
    if (!file.open(QIODevice::ReadOnly)) {
        throw std::runtime_error(("The private MariaDB has not written " + file.fileName() +
                                  "; did scripts/mariadb-sandbox start succeed?")
                                     .toStdString());
    }
    return QString::fromUtf8(file.readAll()).trimmed();
}

}  // namespace

QString TestServer::Port() {
    return SandboxFile(QStringLiteral("port"));
}
QString TestServer::User() {
    return SandboxFile(QStringLiteral("user"));
}
QString TestServer::Password() {
    return SandboxFile(QStringLiteral("password"));
}

db::ConnectionSettings TestServer::Settings(const QString& database) {
    return {QStringLiteral("127.0.0.1"), User(), Password(), database, Port()};
}

std::shared_ptr<db::Connection> TestServer::Admin() {
    return db::OpenConnection(Settings({}));
}

db::ConnectionSettings TestServer::FreshDatabase(const QString& name) {
    auto admin = Admin();
    admin->Execute(QStringLiteral("DROP DATABASE IF EXISTS ") + db::QuoteIdentifier(name));
    admin->Execute(QStringLiteral("CREATE DATABASE ") + db::QuoteIdentifier(name) +
                   QStringLiteral(" CHARACTER SET utf8mb4 COLLATE utf8mb4_general_ci"));
    return Settings(name);
}

db::ConnectionSettings TestServer::FreshDatabaseForThisTest() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    if (info == nullptr) throw std::runtime_error("FreshDatabaseForThisTest outside a test");
    QString name = QStringLiteral("t_%1_%2").arg(QString::fromUtf8(info->test_suite_name()),
                                                 QString::fromUtf8(info->name()));
    name = name.toLower().left(64);
    return FreshDatabase(name);
}

QStringList TestServer::Rows(const db::ConnectionSettings& settings, const QString& query) {
    return Rows(db::OpenConnection(settings), query);
}

QStringList TestServer::Rows(const std::shared_ptr<db::Connection>& connection,
                             const QString& query) {
    auto rows = db::OpenRowSet(connection, query);
    QStringList result;
    for (long r = 0; r < rows->RecordCount(); ++r) {
        QStringList values;
        for (int c = 0; c < rows->FieldCount(); ++c) {
            values << db::NullToDefault(rows->ValueAt(r, c), QStringLiteral("NULL"));
        }
        result << values.join(u'|');
    }
    return result;
}

QString TestServer::Checksum(const db::ConnectionSettings& settings, const QString& table) {
    const QStringList rows =
        Rows(settings, QStringLiteral("CHECKSUM TABLE ") + db::QuoteIdentifier(table) +
                           QStringLiteral(" EXTENDED;"));
    return rows.value(0);
}

void TestServer::Run(const QString& database, std::initializer_list<QString> statements) {
    auto connection = db::OpenConnection(Settings(database));
    for (const QString& statement : statements) connection->Execute(statement);
}

void TestServer::CreateUnreadableView(const QString& database) {
    Run(database, {"CREATE FUNCTION unreadable() RETURNS INT NOT DETERMINISTIC BEGIN "
                   "SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'The rows cannot be read'; "
                   "RETURN 1; END",
                   "CREATE VIEW broken AS SELECT a, unreadable() AS b FROM t;"});
}

db::ConnectionSettings TestServer::Account(const QString& name, const QString& database,
                                           std::initializer_list<QString> grants) {
    auto admin = Admin();
    for (const char* host : {"localhost", "127.0.0.1", "%"}) {
        const QString account = "'" + name + "'@'" + host + "'";
        admin->Execute("DROP USER IF EXISTS " + account + ";");
        admin->Execute("CREATE USER " + account + " IDENTIFIED BY 'p';");
        for (QString grant : grants) admin->Execute(grant.replace("{account}", account) + ";");
    }
    db::ConnectionSettings settings = Settings(database);
    settings.user = name;
    settings.password = "p";
    return settings;
}

}  // namespace tarnwick::test
