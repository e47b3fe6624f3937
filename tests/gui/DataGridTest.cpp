#include <gtest/gtest.h>

#include <QScrollBar>
#include <QTest>
#include <QWidget>

#include "db/Connection.h"
#include "db/RowSet.h"
#include "db/StatementObserver.h"
#include "engine/Statements.h"
#include "pages/DataGrid.h"
#include "tests/support/QtPrinting.h"
#include "tests/support/TestServer.h"

using namespace tarnwick;
using test::TestServer;

namespace {

// The lines in view, as the grid shows them, once every one has its value.
QStringList LinesInView(pages::DataGrid& grid) {
    const QAbstractItemModel& model = *grid.model();
    const auto shown = [&] {
        for (int line = 0; line < model.rowCount(); ++line)
            if (!model.data(model.index(line, 0)).isValid()) return false;
        return true;
    };
    if (!QTest::qWaitFor(shown, 20000)) return {QStringLiteral("(not shown)")};
    QStringList lines;
    for (int line = 0; line < model.rowCount(); ++line) {
        QStringList cells{model.headerData(line, Qt::Vertical).toString()};
        for (int c = 0; c < model.columnCount(); ++c)
            cells << model.index(line, c).data().toString();
        lines << cells.join('|');
    }
    return lines;
}

// The server's own rows [first, first + count) of `SELECT * FROM t`, numbered from 1 as a grid
// does.
QStringList ServerLines(const QStringList& table, long first, long count) {
    QStringList lines;
    for (long r = first; r < first + count && r < table.size(); ++r)
        lines << QString::number(r + 1) + u'|' + table[static_cast<int>(r)];
    return lines;
}

}  // namespace

// A grid over a table of several parts: the scroll bar covers every row from the start, Ctrl+End
// shows the last row at the first press, a jump shows the rows there, the driver holds one part at
// a time, and every row is the server's. A table that shrinks meanwhile ends where it ends now.
TEST(DataGrid, ShowsAnyRowOfATableReadAPartAtATime) {
    const db::ConnectionSettings login = TestServer::FreshDatabaseForThisTest();
    // No key: the rows come in the order the table stores them, as SELECT * gives them.
    TestServer::Run(login.database,
                    {"CREATE TABLE t (n INT, note VARCHAR(20));",
                     "INSERT INTO t SELECT (seq * 7919) % 40000, IF(seq % 9 = 0, NULL, "
                     "CONCAT('row ', seq)) FROM seq_1_to_40000;"});
    QStringList table = TestServer::Rows(login, "SELECT n, COALESCE(note, 'NULL') FROM t;");
    ASSERT_EQ(table.size(), 40000);

    QStringList sent;
    db::StatementObserverScope observer([&](const QString& s) { sent << s; });
    auto rows = std::make_shared<db::RowSet>();
    rows->OpenInParts(engine::TablePartsOf("t"), db::OpenConnection(login));
    EXPECT_EQ(sent, (QStringList{"SELECT * FROM `t` LIMIT 0, 1024;", "SELECT COUNT(*) FROM `t`;"}));

    QWidget page;
    page.resize(600, 400);
    pages::DataGrid grid(page, "DataGrid1", {0, 0, 5640, 2055});
    page.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    grid.SetDataSource(rows);
    const int inView = grid.model()->rowCount();
    ASSERT_GT(inView, 3);
    ASSERT_LT(inView, 50);  // the view is told of the lines it has room for, not of 40,000 rows
    EXPECT_EQ(grid.TotalRows(), 40000);
    EXPECT_EQ(grid.verticalScrollBar()->maximum(), 40000 - inView);
    EXPECT_EQ(LinesInView(grid), ServerLines(table, 0, inView));

    grid.setFocus();
    QTest::keyClick(&grid, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(LinesInView(grid), ServerLines(table, 40000 - inView, inView));
    EXPECT_EQ(grid.CurrentRow(), 39999);
    EXPECT_EQ(grid.verticalScrollBar()->value(), grid.verticalScrollBar()->maximum());
    EXPECT_EQ(rows->HeldFirst() + rows->HeldRows(), 40000);
    EXPECT_LE(rows->HeldRows(), db::RowSet::kPartRows);  // the first part was let go

    grid.verticalScrollBar()->setValue(20000);
    EXPECT_EQ(LinesInView(grid), ServerLines(table, 20000, inView));
    EXPECT_EQ(grid.CurrentRow(), 39999);  // the focus row stays where it was, out of view
    // Keys move from the row with the focus, the window following it.
    QTest::keyClick(&grid, Qt::Key_Up);
    EXPECT_EQ(grid.CurrentRow(), 39998);
    EXPECT_EQ(LinesInView(grid), ServerLines(table, 39999 - inView, inView));
    QTest::keyClick(&grid, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(LinesInView(grid), ServerLines(table, 0, inView));
    for (int i = 0; i < inView; ++i) QTest::keyClick(&grid, Qt::Key_Down);
    EXPECT_EQ(grid.CurrentRow(), inView);
    EXPECT_EQ(LinesInView(grid), ServerLines(table, 1, inView));
    EXPECT_EQ(grid.selectionModel()->selectedRows().size(), 1);
    EXPECT_EQ(grid.selectionModel()->selectedRows()[0].row(), inView - 1);
    for (const QString& statement : sent)
        EXPECT_TRUE(statement.startsWith("SELECT * FROM `t` LIMIT ") ||
                    statement == "SELECT COUNT(*) FROM `t`;")
            << statement.toStdString();

    // Rows deleted since the count: the last part comes back short, and the grid ends there.
    TestServer::Run(login.database, {"DELETE FROM t WHERE n >= 35000;"});
    table = TestServer::Rows(login, "SELECT n, COALESCE(note, 'NULL') FROM t;");
    grid.verticalScrollBar()->setValue(30000);
    ASSERT_TRUE(QTest::qWaitFor([&] { return grid.TotalRows() < 40000; }, 20000));
    QTest::keyClick(&grid, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(grid.TotalRows(), table.size());
    EXPECT_EQ(LinesInView(grid), ServerLines(table, table.size() - inView, inView));
}
