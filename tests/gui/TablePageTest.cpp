#include <QLineEdit>
#include <QPushButton>

#include "app/PagePointer.h"
#include "db/RowSet.h"
#include "db/StatementObserver.h"
#include "pages/DataGrid.h"
#include "pages/Form1.h"
#include "pages/Form2.h"
#include "pages/Form3.h"
#include "tests/gui/PageTest.h"
#include "tests/support/QtPrinting.h"
#include "tests/support/RunStatements.h"
#include "tests/support/TestServer.h"

using namespace tarnwick;
using app::PointerCode;
using test::PageTest;
using test::TestServer;

namespace {

class TablePage : public PageTest {};

}  // namespace

TEST_F(TablePage, NextWithoutATableAsksForOne) {
    const db::ConnectionSettings login = TestServer::FreshDatabaseForThisTest();
    pages::Wizard& w = OnTablePage(login);
    EXPECT_EQ(w.TablePage().List1().count(), 0);
    Click(w.TablePage(), "PushButton3");
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].caption, "Tarnwick");
    EXPECT_EQ(boxes.boxes[0].text, "Please select a table");
    EXPECT_EQ(boxes.boxes[0].icon, app::MessageIcon::None);
    EXPECT_TRUE(w.TablePage().isVisible());
    EXPECT_FALSE(w.HasFieldPage());
    EXPECT_EQ(w.TablePage().Pointer().Code(), PointerCode::Default);
}

TEST_F(TablePage, NextPreviewsAtMostAHundredRowsAndListsEveryField) {
    const db::ConnectionSettings login = TestServer::FreshDatabaseForThisTest();
    TestServer::Run(login.database,
                    {"CREATE TABLE orders (id INT, name VARCHAR(20), city VARCHAR(20))",
                     "INSERT INTO orders (id, name, city) SELECT seq, CONCAT('n', seq), NULL "
                     "FROM seq_1_to_150"});
    pages::Wizard& w = OnFieldPage(login, "orders");
    pages::Form3& form3 = w.FieldPage();
    EXPECT_EQ(w.State().ChosenTable, "orders");
    EXPECT_TRUE(form3.isVisible());
    EXPECT_FALSE(w.TablePage().isVisible());
    EXPECT_EQ(test::Items(form3.List1()), (QStringList{"id", "name", "city"}));
    EXPECT_EQ(form3.List1().currentRow(), 0);
    EXPECT_TRUE(form3.List1().item(0)->isSelected());
    EXPECT_EQ(MoveButtons(form3), (std::vector<bool>{true, true, false, false, false}));

    const QAbstractItemModel& grid = *form3.DataGrid1().model();
    EXPECT_EQ(form3.DataGrid1().TotalRows(), 100);
    EXPECT_EQ(grid.columnCount(), 3);
    EXPECT_EQ(grid.headerData(1, Qt::Horizontal).toString(), "name");
    EXPECT_TRUE(form3.DataGrid1().hasFocus() || form3.focusWidget() == &form3.DataGrid1());
    EXPECT_EQ(w.TablePage().Pointer().Code(), PointerCode::Default);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(TablePage, TableNamesWithABlankOrAReservedWordWork) {
    const db::ConnectionSettings login = TestServer::FreshDatabaseForThisTest();
    TestServer::Run(login.database, {"CREATE TABLE `order lines` (`line no` INT, `select` INT)",
                                     "INSERT INTO `order lines` VALUES (1, 2)",
                                     "CREATE TABLE `select` (`from` INT)"});
    pages::Wizard& w = OnFieldPage(login, "order lines");
    EXPECT_EQ(test::Items(w.FieldPage().List1()), (QStringList{"line no", "select"}));
    EXPECT_EQ(w.FieldPage().DataGrid1().TotalRows(), 1);

    Click(w.FieldPage(), "PushButton2");
    w.TablePage().List1().setCurrentItem(
        w.TablePage().List1().findItems("select", Qt::MatchExactly)[0]);
    Click(w.TablePage(), "PushButton3");
    EXPECT_EQ(test::Items(w.FieldPage().List1()), QStringList{"from"});
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(TablePage, ChosenFieldsStayChosenAndOutOfTheAvailableListExactlyByName) {
    const db::ConnectionSettings login = TestServer::FreshDatabaseForThisTest();
    TestServer::Run(login.database, {"CREATE TABLE a (id INT, name INT, city INT)",
                                     "CREATE TABLE b (zip INT, city INT, ID INT, id2 INT)",
                                     "CREATE TABLE c (city INT, name INT)"});
    pages::Wizard& w = OnFieldPage(login, "a");
    pages::Form3& form3 = w.FieldPage();
    form3.List1().setCurrentRow(2);  // city
    Click(form3, "PushButton5");
    form3.List1().setCurrentRow(0);  // id
    Click(form3, "PushButton5");
    ASSERT_EQ(test::Items(form3.List2()), (QStringList{"city", "id"}));

    Click(form3, "PushButton2");
    w.TablePage().List1().setCurrentRow(1);  // b
    Click(w.TablePage(), "PushButton3");
    EXPECT_EQ(w.State().ChosenTable, "b");
    EXPECT_EQ(test::Items(form3.List2()), (QStringList{"city", "id"}));
    // "ID" differs from the chosen "id" only in case, so it stays available.
    EXPECT_EQ(test::Items(form3.List1()), (QStringList{"zip", "ID", "id2"}));
    EXPECT_TRUE(form3.List1().item(0)->isSelected());
    EXPECT_EQ(MoveButtons(form3), (std::vector<bool>{true, true, true, true, true}));

    // Every field of c is chosen: the available list ends empty while ">" and ">>" were decided
    // on the full list, and the selected first entry went with the removal.
    Click(form3, "PushButton2");
    w.TablePage().List1().setCurrentRow(0);  // a: only "name" is left to choose
    Click(w.TablePage(), "PushButton3");
    ASSERT_EQ(test::Items(form3.List1()), QStringList{"name"});
    Click(form3, "PushButton6");
    Click(form3, "PushButton2");
    w.TablePage().List1().setCurrentRow(2);  // c
    Click(w.TablePage(), "PushButton3");
    EXPECT_EQ(form3.List1().count(), 0);
    EXPECT_EQ(test::Items(form3.List2()), (QStringList{"city", "id", "name"}));
    EXPECT_EQ(MoveButtons(form3), (std::vector<bool>{true, true, true, true, true}));
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(TablePage, AFailingStepIsReportedAndTheProcedureGoesOn) {
    const db::ConnectionSettings login = TestServer::FreshDatabaseForThisTest();
    TestServer::Run(login.database, {"CREATE TABLE kept (id INT)", "CREATE TABLE gone (id INT)"});
    pages::Wizard& w = OnTablePage(login);
    TestServer::Run(login.database, {"DROP TABLE gone"});
    w.TablePage().List1().setCurrentRow(0);  // gone
    ASSERT_EQ(w.TablePage().List1().currentItem()->text(), "gone");
    Click(w.TablePage(), "PushButton3");

    // The preview, its binding, the field list and its loop test fail in turn; the rest runs.
    using Report = std::pair<QString, int>;
    EXPECT_EQ(Reports(), (std::vector<Report>{{"Form2.PushButton3_Click", 130},
                                              {"Form2.PushButton3_Click", 132},
                                              {"Form2.PushButton3_Click", 134},
                                              {"Form2.PushButton3_Click", 136}}));
    ASSERT_FALSE(boxes.boxes.empty());
    EXPECT_TRUE(boxes.boxes[0].text.startsWith("[ma-")) << boxes.boxes[0].text.toStdString();
    EXPECT_TRUE(boxes.boxes[0].text.contains("gone"));
    EXPECT_TRUE(w.FieldPage().isVisible());
    EXPECT_FALSE(w.TablePage().isVisible());
    EXPECT_EQ(w.FieldPage().DataGrid1().TotalRows(), 0);
    EXPECT_EQ(w.TablePage().Pointer().Code(), PointerCode::Default);
}

TEST_F(TablePage, AFailedLoginAfterTheListingIsReportedStepByStep) {
    const db::ConnectionSettings login = TestServer::FreshDatabaseForThisTest();
    TestServer::Run(login.database, {"CREATE TABLE t (id INT)"});
    pages::Wizard& w = OnTablePage(login);
    w.LoginPage().Text3().setText("wrong password");  // read afresh by every action
    Click(w.TablePage(), "PushButton3");
    using Report = std::pair<QString, int>;
    const std::vector<Report> reports = Reports();
    ASSERT_GE(reports.size(), 2u);
    EXPECT_EQ(reports[0], (Report{"Form2.PushButton3_Click", 120}));
    EXPECT_TRUE(boxes.boxes[0].text.contains("Access denied")) << boxes.boxes[0].text.toStdString();
    EXPECT_EQ(reports[1], (Report{"Form2.PushButton3_Click", 130}));
    EXPECT_EQ(w.State().ChosenTable, "t");
    EXPECT_TRUE(w.FieldPage().isVisible());
    EXPECT_EQ(w.TablePage().Pointer().Code(), PointerCode::Default);
}

TEST_F(TablePage, ASecondPressOfNextWhileItWorksDoesNothing) {
    const db::ConnectionSettings login = TestServer::FreshDatabaseForThisTest();
    TestServer::Run(login.database, {"CREATE TABLE t (id INT, name INT, city INT)"});
    pages::Wizard& w = OnTablePage(login);
    QStringList sent;
    db::StatementObserverScope observer([&](const QString& statement) {
        sent << statement;
        if (statement.startsWith("DESCRIBE") && sent.size() < 10)
            Click(w.TablePage(), "PushButton3");
    });
    Click(w.TablePage(), "PushButton3");
    EXPECT_EQ(sent, test::EveryRowSessionStatements() +
                        QStringList({"SELECT * FROM `t` LIMIT 100;", "DESCRIBE `t`;"}));
    EXPECT_EQ(test::Items(w.FieldPage().List1()), (QStringList{"id", "name", "city"}));
    EXPECT_TRUE(w.FieldPage().isVisible());
    EXPECT_FALSE(w.TablePage().isVisible());
    EXPECT_EQ(w.TablePage().Pointer().Code(), PointerCode::Default);
    EXPECT_TRUE(boxes.boxes.empty());
}
