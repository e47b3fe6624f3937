#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyleHints>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include "db/Connection.h"
#include "db/RowSet.h"
#include "db/StatementObserver.h"
#include "pages/DataGrid.h"
#include "pages/Form1.h"
#include "pages/Form2.h"
#include "pages/Form3.h"
#include "pages/Form4.h"
#include "tests/gui/PageTest.h"
#include "tests/support/QtPrinting.h"
#include "tests/support/RunStatements.h"
#include "tests/support/TestServer.h"

using namespace tarnwick;
using test::PageTest;
using test::TestServer;

namespace {

class ResultPage : public PageTest {
  protected:
    ResultPage() : observer_([this](const QString& s) { statements << s; }) {}

    // A database with an orders table whose rows 2 and 5 repeat earlier (name, city) pairs.
    db::ConnectionSettings Shop() {
        const db::ConnectionSettings login = TestServer::FreshDatabaseForThisTest();
        TestServer::Run(
            login.database,
            {"CREATE TABLE orders (id INT, name VARCHAR(20), city VARCHAR(20), total INT);",
             "INSERT INTO orders VALUES (1,'Ann','Rome',10), (2,'Ann','Rome',20), "
             "(3,'Bob','Oslo',30), (4,'Ann','Oslo',40), (5,'Bob','Oslo',50);",
             "CREATE TABLE big (n INT, k INT);",
             "INSERT INTO big SELECT seq, seq % 10 FROM seq_1_to_3000;"});
        return login;
    }

    QStringList statements;

  private:
    db::StatementObserverScope observer_;
};

}  // namespace

TEST_F(ResultPage, TheWholeWizardDrivenByClicksAndKeys) {
    const db::ConnectionSettings login = Shop();
    const QString before = TestServer::Checksum(login, "orders");
    pages::Wizard& w = Started();
    pages::Form1& form1 = w.LoginPage();
    for (auto [field, text] : {std::pair{&form1.Text1(), login.server},
                               {&form1.Text2(), login.user},
                               {&form1.Text3(), login.password},
                               {&form1.Text4(), login.database},
                               {&form1.Text5(), login.port}}) {
        field->clear();
        QTest::keyClicks(field, text);
    }
    Click(form1, "PushButton3");
    ASSERT_TRUE(w.TablePage().isVisible());
    w.TablePage().List1().setCurrentItem(
        w.TablePage().List1().findItems("orders", Qt::MatchExactly)[0]);
    Click(w.TablePage(), "PushButton3");
    pages::Form3& form3 = w.FieldPage();
    for (const char* field : {"name", "city"}) {
        QListWidgetItem* item = form3.List1().findItems(field, Qt::MatchExactly)[0];
        DoubleClick(form3.List1(), form3.List1().row(item));
    }
    EXPECT_EQ(test::Items(form3.List2()), (QStringList{"name", "city"}));
    Click(form3, "PushButton4");

    pages::Form4& form4 = w.ResultPage();
    ASSERT_TRUE(form4.isVisible());
    EXPECT_FALSE(form3.isVisible());
    EXPECT_EQ(form4.Text1().text(), "orders2");
    Click(form4, "PushButton4");

    EXPECT_EQ(form4.PushButton4().text(), "Exit");
    EXPECT_EQ(GridRows(form4.DataGrid1()),
              (QStringList{"1|Ann|Rome|10", "3|Bob|Oslo|30", "4|Ann|Oslo|40"}));
    EXPECT_EQ(form4.DataGrid1().model()->headerData(3, Qt::Horizontal).toString(), "total");
    EXPECT_EQ(TestServer::Checksum(login, "orders"), before);
    EXPECT_EQ(form4.cursor().shape(), Qt::ArrowCursor);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_TRUE(exitCodes.empty());

    Click(form4, "PushButton4");  // "Exit"
    EXPECT_EQ(exitCodes, std::vector<int>{0});
}

TEST_F(ResultPage, BackAfterARunAndForwardAgainKeepsTheResultAndTheName) {
    const db::ConnectionSettings login = Shop();
    pages::Form4& form4 = OnResultPage(login, "orders", {"name", "city"});
    form4.Text1().setText("orders_clean");
    Click(form4, "PushButton4");
    ASSERT_EQ(form4.PushButton4().text(), "Exit");

    pages::Wizard& w = *wizard;
    statements.clear();
    Click(form4, "PushButton2");  // "< Back"
    EXPECT_FALSE(form4.isVisible());
    ASSERT_TRUE(w.FieldPage().isVisible());
    // The whole table this time, and the chosen fields are not offered again.
    EXPECT_EQ(statements,
              test::EveryRowSessionStatements() +
                  QStringList({"SELECT * FROM `orders` LIMIT 0, 1024;", "DESCRIBE `orders`;"}));
    EXPECT_EQ(w.FieldPage().DataGrid1().TotalRows(), 5);
    EXPECT_EQ(test::Items(w.FieldPage().List1()), (QStringList{"id", "total"}));

    // Another table, and forward again: the name box keeps what it held, the result stays.
    Click(w.FieldPage(), "PushButton2");
    w.TablePage().List1().setCurrentItem(
        w.TablePage().List1().findItems("big", Qt::MatchExactly)[0]);
    Click(w.TablePage(), "PushButton3");
    EXPECT_EQ(w.FieldPage().DataGrid1().TotalRows(), 100);
    Click(w.FieldPage(), "PushButton4");
    EXPECT_TRUE(form4.isVisible());
    EXPECT_EQ(form4.Text1().text(), "orders_clean");
    EXPECT_EQ(form4.PushButton4().text(), "Exit");
    EXPECT_EQ(form4.DataGrid1().TotalRows(), 3);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(ResultPage, RefusedNamesSendNothing) {
    const db::ConnectionSettings login = Shop();
    pages::Form4& form4 = OnResultPage(login, "orders", {"name"});
    statements.clear();
    for (const char* name : {"orders", "ORDERS", "", "  "}) {
        form4.Text1().setText(name);
        Click(form4, "PushButton4");
    }
    EXPECT_TRUE(statements.isEmpty()) << statements.join('\n').toStdString();
    ASSERT_EQ(boxes.boxes.size(), 4u);
    EXPECT_EQ(boxes.boxes[0].caption, "Tarnwick");
    EXPECT_TRUE(boxes.boxes[0].text.contains("\"orders\"")) << boxes.boxes[0].text.toStdString();
    EXPECT_EQ(boxes.boxes[2].text, "Please type a name for the new table.");
    EXPECT_EQ(form4.PushButton4().text(), "Finish");
    EXPECT_EQ(form4.cursor().shape(), Qt::ArrowCursor);
}

TEST_F(ResultPage, ANewNameThatTheChosenViewReadsFromIsRefusedBeforeTheRun) {
    const db::ConnectionSettings login = Shop();
    TestServer::Run(login.database, {"CREATE VIEW orders_view AS SELECT * FROM orders;"});
    const QString before = TestServer::Checksum(login, "orders");
    pages::Form4& form4 = OnResultPage(login, "orders_view", {"name"});
    form4.Text1().setText("orders");
    statements.clear();
    Click(form4, "PushButton4");
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].caption, "Tarnwick");
    EXPECT_TRUE(statements.filter("CREATE TABLE").isEmpty()) << statements.join('\n').toStdString();
    EXPECT_TRUE(statements.filter("DROP").isEmpty());
    EXPECT_EQ(TestServer::Checksum(login, "orders"), before);
    EXPECT_EQ(form4.PushButton4().text(), "Finish");
    EXPECT_EQ(form4.cursor().shape(), Qt::ArrowCursor);
}

// What the run cannot do is said once, and the page stays ready for another try: a server that
// went away is one error report, an account that may only read is one message.
TEST_F(ResultPage, ARunThatCannotStartSaysWhyOnceAndKeepsFinish) {
    const db::ConnectionSettings login = Shop();
    pages::Form4& form4 = OnResultPage(login, "orders", {"name"});
    wizard->LoginPage().Text5().setText("1");  // the server can no longer be reached
    Click(form4, "PushButton4");
    EXPECT_EQ(Reports(), (std::vector<std::pair<QString, int>>{{"Form4.PushButton4_Click", 118}}));
    EXPECT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(form4.PushButton4().text(), "Finish");
    EXPECT_EQ(form4.cursor().shape(), Qt::ArrowCursor);

    boxes.boxes.clear();
    const db::ConnectionSettings reader = TestServer::Account(
        "shop_reader", login.database, {"GRANT SELECT ON `" + login.database + "`.* TO {account}"});
    wizard->LoginPage().Text5().setText(login.port);
    wizard->LoginPage().Text2().setText(reader.user);
    wizard->LoginPage().Text3().setText(reader.password);
    Click(form4, "PushButton4");
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_TRUE(
        boxes.boxes[0].text.contains("lacks the privileges INSERT, CREATE, ALTER, DROP, "
                                     "DELETE on the database"))
        << boxes.boxes[0].text.toStdString();
    EXPECT_TRUE(Reports().empty());
    EXPECT_EQ(form4.PushButton4().text(), "Finish");
    EXPECT_TRUE(TestServer::Rows(login, "SHOW TABLES LIKE 'tarnwick%';").isEmpty());
    EXPECT_TRUE(exitCodes.empty());
}

TEST_F(ResultPage, DuringARunFinishBackAndTheNameBoxChangeNothing) {
    const db::ConnectionSettings login = Shop();
    pages::Form4& form4 = OnResultPage(login, "big", {"k"});
    form4.setWindowState(Qt::WindowMinimized);
    // Pressed, edited and pressed again while the run yields to the window system.
    bool sawBusy = false;
    int presses = 0;
    QTimer poke;
    QObject::connect(&poke, &QTimer::timeout, [&] {
        if (!form4.Running()) return;
        sawBusy = sawBusy || form4.cursor().shape() == Qt::WaitCursor;
        form4.Text1().setText("other_name");
        Click(form4, "PushButton4");
        Click(form4, "PushButton2");
        ++presses;
    });
    poke.start(0);
    statements.clear();
    Click(form4, "PushButton4");
    poke.stop();

    EXPECT_GT(presses, 0);
    EXPECT_TRUE(sawBusy);
    EXPECT_EQ(statements.filter("DROP TABLE").size(), 1);
    EXPECT_TRUE(statements.filter("other_name").isEmpty());
    EXPECT_TRUE(statements.filter("DESCRIBE").isEmpty());
    EXPECT_EQ(TestServer::Rows(login, "SELECT COUNT(*) FROM big2;"), QStringList{"10"});
    EXPECT_FALSE(form4.windowState() & Qt::WindowMinimized);
    EXPECT_EQ(form4.PushButton4().text(), "Exit");
    EXPECT_TRUE(form4.isVisible());
}

TEST_F(ResultPage, ASecondPressOfBackOrFinishWhileItWorksDoesNothing) {
    const db::ConnectionSettings login = Shop();
    pages::Form4& form4 = OnResultPage(login, "orders", {"name", "city"});
    pages::Wizard& w = *wizard;
    // Each button pressed again while a statement of its own action is at work.
    int pressesDuringWork = 0;
    db::StatementObserverScope press([&](const QString& statement) {
        if (statement.startsWith("DESCRIBE") && pressesDuringWork++ == 0)
            Click(form4, "PushButton2");
        if (statement.startsWith("CREATE TABLE") && pressesDuringWork++ == 0)
            Click(form4, "PushButton4");
    });
    statements.clear();
    Click(form4, "PushButton2");
    EXPECT_EQ(statements,
              test::EveryRowSessionStatements() +
                  QStringList({"SELECT * FROM `orders` LIMIT 0, 1024;", "DESCRIBE `orders`;"}));
    EXPECT_EQ(test::Items(w.FieldPage().List1()), (QStringList{"id", "total"}));
    EXPECT_FALSE(form4.isVisible());

    Click(w.FieldPage(), "PushButton4");
    ASSERT_TRUE(form4.isVisible());
    pressesDuringWork = 0;
    statements.clear();
    Click(form4, "PushButton4");
    EXPECT_EQ(pressesDuringWork, 1);
    EXPECT_EQ(statements.filter("DROP TABLE").size(), 1);
    EXPECT_EQ(statements.filter("CREATE TABLE").size(), 1);
    EXPECT_EQ(form4.PushButton4().text(), "Exit");
    EXPECT_TRUE(exitCodes.empty());
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(ResultPage, AMinimisedPageComesBackNormalEvenWhenMinimisedJustBeforeTheEnd) {
    const db::ConnectionSettings login = Shop();
    // As the window system does it: the window is minimised at once, and the page hears of it
    // only when it next takes events.
    // The Drop key names the run's scratch table; the Preview names the new table.
    for (const char* lastSteps : {" DROP COLUMN ", "SELECT * FROM `orders2` LIMIT 0, 1024;"}) {
        SCOPED_TRACE(lastSteps);
        pages::Form4& form4 = OnResultPage(login, "orders", {"name"});
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form4));
        bool minimised = false;
        db::StatementObserverScope minimise([&](const QString& statement) {
            if (!statement.contains(QString::fromUtf8(lastSteps))) return;
            form4.windowHandle()->showMinimized();
            minimised = true;
        });
        Click(form4, "PushButton4");
        ASSERT_TRUE(minimised);
        QCoreApplication::processEvents();  // whatever the window system still had to say
        EXPECT_FALSE(form4.windowState() & Qt::WindowMinimized);
        EXPECT_FALSE(form4.windowHandle()->windowStates() & Qt::WindowMinimized);
        EXPECT_TRUE(form4.isVisible());
        EXPECT_EQ(form4.PushButton4().text(), "Exit");
        wizard.reset();
    }
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(ResultPage, TheBusyPointerCoversTheNameBoxDuringARun) {
    const db::ConnectionSettings login = Shop();
    pages::Form4& form4 = OnResultPage(login, "orders", {"name"});
    ASSERT_EQ(form4.Text1().cursor().shape(), Qt::IBeamCursor);
    std::vector<Qt::CursorShape> during;
    db::StatementObserverScope look(
        [&](const QString&) { during.push_back(form4.Text1().cursor().shape()); });
    Click(form4, "PushButton4");
    ASSERT_FALSE(during.empty());
    EXPECT_EQ(during, std::vector<Qt::CursorShape>(during.size(), Qt::WaitCursor));
    EXPECT_EQ(form4.Text1().cursor().shape(), Qt::IBeamCursor);
    EXPECT_EQ(form4.cursor().shape(), Qt::ArrowCursor);
}

TEST_F(ResultPage, ClosingDuringARunEndsTheProgramAndSendsNothingMore) {
    const db::ConnectionSettings login = Shop();
    pages::Form4& form4 = OnResultPage(login, "big", {"k"});
    QStringList sentBeforeClose;
    // The close arrives once the copy is being numbered.
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, &form4, [&] {
        if (!exitCodes.empty() || statements.filter("ADD PRIMARY KEY").isEmpty()) return;
        sentBeforeClose = statements;
        form4.close();
    });
    closer.start(0);
    Click(form4, "PushButton4");
    closer.stop();
    EXPECT_EQ(exitCodes, std::vector<int>{0});
    EXPECT_FALSE(sentBeforeClose.isEmpty());
    EXPECT_EQ(statements, sentBeforeClose);
    db::ResumeSendingStatements();  // the recorded end of program returned; look at the server
    // What the server had done stays, under the run's scratch name: the copy, no rows deleted.
    // The new name was never given to it.
    const QString scratch =
        TestServer::Rows(login, "SHOW TABLES LIKE 'tarnwick\\_scratch\\_%';").value(0);
    EXPECT_EQ(TestServer::Rows(login, "SELECT COUNT(*) FROM `" + scratch + "`;"),
              QStringList{"3000"});
    EXPECT_TRUE(TestServer::Rows(login, "SHOW TABLES LIKE 'big2';").isEmpty());
}

namespace {

// The wizard's pages that are on screen.
std::vector<QString> PagesOnScreen(pages::Wizard& w) {
    std::vector<QString> shown;
    for (QWidget* page : std::initializer_list<QWidget*>{&w.LoginPage(), &w.TablePage(),
                                                         &w.FieldPage(), &w.ResultPage()}) {
        if (page->isVisible()) shown.push_back(page->objectName());
    }
    return shown;
}

}  // namespace

// "< Back" shows the field page, then waits for the whole table: the field page's "Next >" and the
// result page's "Finish" pressed meanwhile must do nothing, or the Back would end by hiding the
// page they showed (no page left on screen), or run the deduplication inside itself.
TEST_F(ResultPage, WhileBackWaitsForTheTableNoOtherActionChangesPagesOrStartsARun) {
    const db::ConnectionSettings login = Shop();
    pages::Form4& form4 = OnResultPage(login, "orders", {"name", "city"});
    pages::Wizard& w = *wizard;
    std::vector<std::vector<QString>> onScreenAfterPresses;
    db::StatementObserverScope press([&](const QString& statement) {
        if (statement != "SELECT * FROM `orders` LIMIT 0, 1024;") return;
        Click(w.FieldPage(), "PushButton4");  // "Next >"
        Click(form4, "PushButton4");          // "Finish"
        Click(w.FieldPage(), "PushButton2");  // the field page's "< Back"
        onScreenAfterPresses.push_back(PagesOnScreen(w));
    });
    statements.clear();
    Click(form4, "PushButton2");

    // Both pages were on screen while the Back waited (it shows the target first); afterwards
    // only the field page is.
    EXPECT_EQ(onScreenAfterPresses, (std::vector<std::vector<QString>>{{"Form3", "Form4"}}));
    EXPECT_EQ(PagesOnScreen(w), std::vector<QString>{"Form3"});
    EXPECT_TRUE(statements.filter("CREATE TABLE").isEmpty());
    EXPECT_EQ(form4.PushButton4().text(), "Finish");
    EXPECT_TRUE(boxes.boxes.empty());

    // Once the Back has ended, the same buttons work as ever.
    Click(w.FieldPage(), "PushButton4");
    EXPECT_EQ(PagesOnScreen(w), std::vector<QString>{"Form4"});
    Click(form4, "PushButton4");
    EXPECT_EQ(form4.PushButton4().text(), "Exit");
}

// A quick run turns "Finish" into "Exit" between the two clicks of a double-click: the second
// click does not end the program; a click once the double-click interval has passed does.
TEST_F(ResultPage, TheSecondClickOfADoubleClickOnFinishDoesNotEndTheProgram) {
    const db::ConnectionSettings login = Shop();
    pages::Form4& form4 = OnResultPage(login, "orders", {"name"});
    QGuiApplication::styleHints()->setMouseDoubleClickInterval(60000);
    Click(form4, "PushButton4");
    EXPECT_EQ(form4.PushButton4().text(), "Exit");
    Click(form4, "PushButton4");  // the second click, within the interval
    EXPECT_TRUE(exitCodes.empty());

    QGuiApplication::styleHints()->setMouseDoubleClickInterval(1);
    QTest::qWait(5);
    Click(form4, "PushButton4");
    EXPECT_EQ(exitCodes, std::vector<int>{0});
}

// Pressing "Exit" while "< Back" waits still ends the program.
TEST_F(ResultPage, ExitWhileBackWaitsEndsTheProgram) {
    const db::ConnectionSettings login = Shop();
    pages::Form4& form4 = OnResultPage(login, "orders", {"name"});
    Click(form4, "PushButton4");
    ASSERT_EQ(form4.PushButton4().text(), "Exit");
    db::StatementObserverScope press([&](const QString& statement) {
        if (statement == "SELECT * FROM `orders` LIMIT 0, 1024;") Click(form4, "PushButton4");
    });
    Click(form4, "PushButton2");
    EXPECT_EQ(exitCodes, std::vector<int>{0});
}

// The result grid reads a part of the new table as a wait of its own: "< Back" pressed meanwhile
// goes back as ever, and the grid shows its rows when the page comes again.
TEST_F(ResultPage, BackWhileTheResultGridReadsAPartWorks) {
    const db::ConnectionSettings login = Shop();
    pages::Form4& form4 = OnResultPage(login, "big", {"n"});
    Click(form4, "PushButton4");
    ASSERT_EQ(form4.PushButton4().text(), "Exit");
    pages::DataGrid& grid = form4.DataGrid1();
    ASSERT_EQ(grid.TotalRows(), 3000);
    pages::Wizard& w = *wizard;
    bool pressed = false;
    bool readingWhenPressed = false;
    db::StatementObserverScope press([&](const QString& statement) {
        if (pressed || !statement.startsWith("SELECT * FROM `big2` LIMIT ")) return;
        pressed = true;
        QTimer::singleShot(0, [&] {
            readingWhenPressed = !grid.DataSource()->CanReadAt(2999);
            Click(form4, "PushButton2");
        });
    });
    grid.setFocus();
    QTest::keyClick(&grid, Qt::Key_End, Qt::ControlModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.FieldPage().isVisible(); }, 10000));
    EXPECT_TRUE(pressed);
    EXPECT_TRUE(readingWhenPressed);  // the part's statement was still at work
    EXPECT_EQ(PagesOnScreen(w), std::vector<QString>{"Form3"});
    EXPECT_EQ(w.FieldPage().DataGrid1().TotalRows(), 3000);

    Click(w.FieldPage(), "PushButton4");
    ASSERT_TRUE(form4.isVisible());
    const QAbstractItemModel& lines = *grid.model();
    const auto lastLine = [&] { return lines.index(lines.rowCount() - 1, 0); };
    EXPECT_TRUE(QTest::qWaitFor([&] { return lastLine().data().toString() == "3000"; }, 10000));
    EXPECT_EQ(grid.CurrentRow(), 2999);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_TRUE(exitCodes.empty());
}
