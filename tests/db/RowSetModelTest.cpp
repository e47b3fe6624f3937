#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QColor>
#include <QFont>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include "db/Connection.h"
#include "db/RowSet.h"
#include "db/RowSetModel.h"
#include "tests/support/QtPrinting.h"
#include "tests/support/TestServer.h"

using namespace tarnwick;
using test::TestServer;

TEST(RowSetModel, ShowsNamesAndValuesAndSetsNullApartFromEmptyText) {
    const db::ConnectionSettings login = TestServer::FreshDatabaseForThisTest();
    TestServer::Run(login.database, {"CREATE TABLE t (id INT, note VARCHAR(10))",
                                     "INSERT INTO t VALUES (1, ''), (2, NULL), (3, 'NULL')"});
    auto connection = db::OpenConnection(login);
    auto rows = db::OpenRowSet(connection, "SELECT * FROM `t` ORDER BY id;");

    db::RowSetModel model;
    QAbstractItemModelTester tester(&model,
                                    QAbstractItemModelTester::FailureReportingMode::Warning);
    model.SetRowSet(rows);
    ASSERT_EQ(model.rowCount(), 3);
    ASSERT_EQ(model.columnCount(), 2);
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), "note");

    const QModelIndex empty = model.index(0, 1);
    const QModelIndex null = model.index(1, 1);
    const QModelIndex nullText = model.index(2, 1);
    EXPECT_EQ(model.data(empty).toString(), "");
    EXPECT_EQ(model.data(null).toString(), "NULL");
    EXPECT_EQ(model.data(nullText).toString(), "NULL");
    // The real Null looks different from the text "NULL" and from an empty text.
    EXPECT_TRUE(model.data(null, Qt::FontRole).value<QFont>().italic());
    EXPECT_EQ(model.data(null, Qt::ForegroundRole).value<QColor>(), QColor(Qt::gray));
    EXPECT_FALSE(model.data(nullText, Qt::FontRole).isValid());
    EXPECT_FALSE(model.data(empty, Qt::ForegroundRole).isValid());
    EXPECT_FALSE(model.flags(empty) & Qt::ItemIsEditable);

    // The model keeps the row set and its connection alive; unbinding empties it.
    std::weak_ptr<db::Connection> weakConnection = connection;
    connection.reset();
    rows.reset();
    EXPECT_FALSE(weakConnection.expired());
    model.SetRowSet(nullptr);
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.columnCount(), 0);
    EXPECT_TRUE(weakConnection.expired());
}

TEST(RowSetModel, ShowsEveryRowOfALargeResultAndWaitsWhileItsConnectionWorks) {
    const db::ConnectionSettings login = TestServer::FreshDatabaseForThisTest();
    auto connection = db::OpenConnection(login);
    auto rows = db::OpenRowSet(
        connection, "SELECT seq, IF(seq % 7 = 0, NULL, seq * 2) AS twice FROM seq_1_to_200000;");
    db::RowSetModel model;
    model.SetRowSet(rows);
    ASSERT_EQ(model.rowCount(), 200000);  // no window: every row
    EXPECT_EQ(model.data(model.index(199999, 0)).toString(), "200000");
    EXPECT_EQ(model.data(model.index(199999, 1)).toString(), "400000");
    EXPECT_EQ(model.data(model.index(6, 1)).toString(), "NULL");
    EXPECT_TRUE(model.data(model.index(6, 1), Qt::FontRole).value<QFont>().italic());

    // While the connection works on another statement, rows not at hand stay blank, and the views
    // are told to read them again the moment it is free.
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QVariant whileBusy;
    QVariant firstWhileBusy;
    QTimer::singleShot(50, [&] {
        whileBusy = model.data(model.index(100000, 0));
        firstWhileBusy = model.data(model.index(0, 0));
    });
    connection->Execute("SELECT SLEEP(0.3);");
    EXPECT_FALSE(whileBusy.isValid());
    EXPECT_EQ(firstWhileBusy.toString(), "1");
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(model.data(model.index(100000, 0)).toString(), "100001");
}

// A model with a window shows only the rows in it, numbered as rows of the whole result; a window
// moved past the end is kept within the rows.
TEST(RowSetModel, AWindowShowsItsRowsNumberedInTheWholeResult) {
    const db::ConnectionSettings login = TestServer::FreshDatabaseForThisTest();
    auto connection = db::OpenConnection(login);
    db::RowSetModel model;
    QAbstractItemModelTester tester(&model,
                                    QAbstractItemModelTester::FailureReportingMode::Warning);
    model.SetRowSet(db::OpenRowSet(connection, "SELECT seq FROM seq_1_to_2500;"));
    model.SetWindow(2000, 30);
    EXPECT_EQ(model.rowCount(), 30);
    EXPECT_EQ(model.TotalRows(), 2500);
    EXPECT_EQ(model.data(model.index(0, 0)).toString(), "2001");
    EXPECT_EQ(model.headerData(29, Qt::Vertical).toLongLong(), 2030);
    model.SetWindow(2490, 30);
    EXPECT_EQ(model.rowCount(), 10);
    EXPECT_EQ(model.data(model.index(9, 0)).toString(), "2500");
    model.SetWindow(99999, 30);
    EXPECT_EQ(model.Top(), 2499);
    EXPECT_EQ(model.rowCount(), 1);
    model.SetRowSet(nullptr);
    EXPECT_EQ(model.rowCount(), 0);
}
