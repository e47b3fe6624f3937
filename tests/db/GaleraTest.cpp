// Runs against a three-node Galera cluster on 127.0.0.1 (scripts/galera-sandbox): the run works on
// node 1, as the window would, and its result has to be the same on every node. Such a cluster
// sets each session's auto_increment_increment to the number of nodes, and every node carries out
// the run's ALTER TABLE on its own: the temporary numbers must come out the same everywhere.
#include <gtest/gtest.h>

#include <QFile>
#include <stdexcept>

#include "tests/support/QtPrinting.h"

#include "db/Connection.h"
#include "db/Identifier.h"
#include "db/RowSet.h"
#include "tests/support/RecordedRun.h"
#include "tests/support/TestServer.h"

using namespace tarnwick;
using test::RecordedRun;
using test::RunDedupe;
using test::TestServer;

namespace {

constexpr int kNodes = 3;

// The client port of node 1, 2 or 3, as scripts/galera-sandbox wrote it.
QString NodePort(int node) {
    const QString dir = qEnvironmentVariable("TARNWICK_GALERA_SANDBOX");
    if (dir.isEmpty()) {
        throw std::runtime_error(
            "TARNWICK_GALERA_SANDBOX is not set: run the tests through ctest, which starts the "
            "cluster");
    }
    QFile file(QStringLiteral("%1/node%2/port").arg(dir).arg(node));
    if (!file.open(QIODevice::ReadOnly)) {
        throw std::runtime_error(("The cluster has not written " + file.fileName() +
                                  "; did scripts/galera-sandbox start succeed?")
                                     .toStdString());
    }
    return QString::fromUtf8(file.readAll()).trimmed();
}

// Every row of each query on one node, as TestServer::Rows gives them. The session waits, before
// each read, until the node has applied everything the cluster had committed when the read began
// (wsrep_sync_wait=1 covers SELECT, SHOW and CHECKSUM TABLE): a node applies others' writes
// later than they commit.
QStringList RowsOnNode(int node, const QString& database, const QString& query) {
    db::ConnectionSettings settings = TestServer::Settings(database);
    settings.port = NodePort(node);
    auto connection = db::OpenConnection(settings);
    connection->Execute(QStringLiteral("SET SESSION wsrep_sync_wait = 1;"));
    return TestServer::Rows(connection, query);
}

// The server's checksum of a table's rows on one node, without the table's name.
QString ChecksumOnNode(int node, const QString& database, const QString& table) {
    const QStringList rows =
        RowsOnNode(node, database,
                   QStringLiteral("CHECKSUM TABLE ") + db::QuoteIdentifier(table) +
                       QStringLiteral(" EXTENDED;"));
    return rows.value(0).section(u'|', 1);
}

QStringList SortedTablesOnNode(int node, const QString& database) {
    QStringList tables = RowsOnNode(node, database, QStringLiteral("SHOW TABLES;"));
    tables.sort();
    return tables;
}

// Empty when the lists are equal, else where they first differ: thousands of ids are too many to
// print whole.
QString Difference(const QStringList& actual, const QStringList& expected) {
    if (actual == expected) return {};
    qsizetype i = 0;
    while (i < actual.size() && i < expected.size() && actual[i] == expected[i]) ++i;
    return QStringLiteral("%1 rows instead of %2; row %3 is %4 instead of %5")
        .arg(actual.size())
        .arg(expected.size())
        .arg(i + 1)
        .arg(actual.value(i, QStringLiteral("missing")),
             expected.value(i, QStringLiteral("missing")));
}

}  // namespace

TEST(Galera, EveryNodeHoldsTheSameResultAndTheChosenTableUnchanged) {
    auto db = TestServer::FreshDatabaseForThisTest();
    for (int node = 1; node <= kNodes; ++node) {
        ASSERT_EQ(RowsOnNode(node, {}, "SHOW STATUS LIKE 'wsrep_cluster_size';"),
                  QStringList{"wsrep_cluster_size|3"})
            << "node " << node;
    }
    ASSERT_EQ(TestServer::Rows(db, "SELECT @@auto_increment_increment;"), QStringList{"3"});

    // 5000 rows; the 1500 whose id ends in 3, 6 or 9 repeat the name and city of an earlier row
    // (one whose id ends in 1). Every 50th row from 20 on repeats the row 10 before it with the
    // name in capitals: a different key to the run, though the table's collation ignores case.
    TestServer::Run(
        db.database,
        {"CREATE TABLE t (id INT NOT NULL PRIMARY KEY, name VARCHAR(40), city VARCHAR(40)) "
         "COLLATE utf8mb4_general_ci;",
         "INSERT INTO t SELECT seq, IF(seq % 50 = 20, UPPER(CONCAT('Name', k DIV 7)), "
         "CONCAT('Name', k DIV 7)), CONCAT('City', k % 7) FROM (SELECT seq, CASE "
         "WHEN seq % 10 IN (3, 6, 9) THEN 10 * (FLOOR(seq * 0.37) DIV 10) + 1 "
         "WHEN seq % 50 = 20 THEN seq - 10 ELSE seq END AS k FROM seq_1_to_5000) AS keyed;",
         "CREATE TABLE reference AS SELECT * FROM t WHERE id IN "
         "(SELECT MIN(id) FROM t GROUP BY BINARY name, BINARY city);"});
    const QStringList firstOfEachKey =
        TestServer::Rows(db, "SELECT id FROM reference ORDER BY id;");
    ASSERT_EQ(firstOfEachKey.size(), 3500);
    ASSERT_EQ(TestServer::Rows(db, "SELECT COUNT(DISTINCT name, city) FROM t;"),
              QStringList{"3400"});
    const QString chosenBefore = ChecksumOnNode(1, db.database, "t");
    const QString referenceChecksum = ChecksumOnNode(1, db.database, "reference");
    ASSERT_FALSE(chosenBefore.isEmpty());
    for (int node = 2; node <= kNodes; ++node) {
        ASSERT_EQ(ChecksumOnNode(node, db.database, "t"), chosenBefore) << "node " << node;
    }

    const RecordedRun run = RunDedupe(db, "t", {"name", "city"}, "t2");

    EXPECT_TRUE(run.reports.isEmpty()) << run.reports.join("\n").toStdString();
    EXPECT_TRUE(run.outcome.Succeeded());
    EXPECT_EQ(run.outcome.rowsRead, 5000);
    EXPECT_EQ(run.outcome.duplicatesRemoved, 1500);
    for (int node = 1; node <= kNodes; ++node) {
        SCOPED_TRACE(::testing::Message() << "node " << node);
        EXPECT_EQ(Difference(RowsOnNode(node, db.database, "SELECT id FROM t2 ORDER BY id;"),
                             firstOfEachKey),
                  QString());
        EXPECT_EQ(ChecksumOnNode(node, db.database, "t2"), referenceChecksum);
        EXPECT_EQ(ChecksumOnNode(node, db.database, "t"), chosenBefore);
        // No scratch or retired table is left behind on any node.
        EXPECT_EQ(SortedTablesOnNode(node, db.database), (QStringList{"reference", "t", "t2"}));
    }
}
