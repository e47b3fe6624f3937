#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <optional>
#include <thread>

#include "app/PagePointer.h"
#include "db/RowSet.h"
#include "db/StatementObserver.h"
#include "pages/Form1.h"
#include "pages/Form2.h"
#include "pages/Form3.h"
#include "pages/Form4.h"
#include "tests/gui/PageTest.h"
#include "tests/support/QtPrinting.h"
#include "tests/support/TestServer.h"

using namespace tarnwick;
using app::MessageIcon;
using app::PointerCode;
using test::PageTest;
using test::TestServer;

namespace {

constexpr char kCouldNotConnect[] =
    "Could not connect. Please check with your administrator. Make sure you are allowed to connect "
    "to your database remotely and not just through web-based control panels.";

db::ConnectionSettings WithPassword(db::ConnectionSettings login, const QString& password) {
    login.password = password;
    return login;
}

QStringList ServerTableOrder(const QString& database) {
    auto connection = db::OpenConnection(TestServer::Settings(database));
    auto tables = connection->Execute("SHOW TABLES;");
    QStringList names;
    for (; !tables->Eof(); tables->MoveNext()) names << tables->Field(0).value_or("");
    return names;
}

class LoginPage : public PageTest {};

}  // namespace

TEST_F(LoginPage, AFreshAccountShowsTheDefaultsAndStoresServerAndPort) {
    pages::Wizard& w = Started();
    pages::Form1& form1 = w.LoginPage();
    EXPECT_TRUE(form1.isVisible());
    EXPECT_EQ(form1.windowTitle(), "Tarnwick");
    EXPECT_EQ(form1.LoginValues(), (db::ConnectionSettings{"localhost", "", "", "", "3306"}));
    EXPECT_EQ(Stored("MyServer"), "localhost");
    EXPECT_EQ(Stored("MyPort"), "3306");
    EXPECT_EQ(Stored("MyUser"), "<absent>");
    EXPECT_FALSE(w.HasTablePage());
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(LoginPage, EveryChangeIsStoredAtOnceAndAnEmptyValueStaysEmpty) {
    pages::Form1& form1 = Started().LoginPage();
    form1.Text4().setFocus();
    QTest::keyClick(&form1.Text4(), 'a');
    EXPECT_EQ(Stored("MyDatabase"), "a");
    QTest::keyClick(&form1.Text4(), 'b');
    EXPECT_EQ(Stored("MyDatabase"), "ab");
    QTest::keyClick(&form1.Text4(), 'c');
    EXPECT_EQ(Stored("MyDatabase"), "abc");

    form1.Text5().clear();
    form1.Text1().clear();
    EXPECT_EQ(Stored("MyPort"), "");
    wizard.reset();

    // The next start: the cleared values stay empty instead of taking their defaults.
    pages::Form1& next = Started().LoginPage();
    EXPECT_EQ(next.LoginValues(), (db::ConnectionSettings{"", "", "", "abc", ""}));
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(LoginPage, ARememberedWorkingLoginLandsOnTheTablePage) {
    const db::ConnectionSettings login = TestServer::FreshDatabaseForThisTest();
    TestServer::Run(login.database, {"CREATE TABLE zeta (id INT)", "CREATE TABLE alpha (id INT)",
                                     "CREATE TABLE `mid table` (id INT)"});
    Remember(login);
    pages::Wizard& w = Started();
    ASSERT_TRUE(w.HasTablePage());
    EXPECT_TRUE(w.TablePage().isVisible());
    EXPECT_FALSE(w.LoginPage().isVisible());
    EXPECT_EQ(test::Items(w.TablePage().List1()), ServerTableOrder(login.database));
    EXPECT_EQ(test::Items(w.TablePage().List1()).size(), 3);
    EXPECT_EQ(w.TablePage().List1().currentRow(), 0);
    EXPECT_TRUE(w.TablePage().List1().item(0)->isSelected());
    EXPECT_EQ(w.LoginPage().Pointer().Code(), PointerCode::Default);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(LoginPage, ARememberedLoginThatFailsOrIsIncompleteStaysOnTheLoginPageSilently) {
    const db::ConnectionSettings login = TestServer::FreshDatabaseForThisTest();
    Remember(WithPassword(login, "wrong password"));
    {
        pages::Wizard& w = Started();
        EXPECT_TRUE(w.LoginPage().isVisible());
        EXPECT_FALSE(w.HasTablePage());
        EXPECT_EQ(w.LoginPage().Text3().text(), "wrong password");
    }
    wizard.reset();
    Remember(WithPassword(login, ""));
    pages::Wizard& w = Started();
    EXPECT_TRUE(w.LoginPage().isVisible());
    EXPECT_FALSE(w.HasTablePage());
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(LoginPage, TestConnectionTellsWhetherTheLoginWorks) {
    const db::ConnectionSettings login = TestServer::FreshDatabaseForThisTest();
    pages::Wizard& w = Started();
    TypeLogin(w, login);
    Click(w.LoginPage(), "PushButton5");
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].caption, "Tarnwick");
    EXPECT_EQ(boxes.boxes[0].text, "Connection successful.");
    EXPECT_EQ(boxes.boxes[0].icon, MessageIcon::None);
    EXPECT_EQ(w.LoginPage().Pointer().Code(), PointerCode::Default);

    w.LoginPage().Text3().setText("wrong password");
    Click(w.LoginPage(), "PushButton5");
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[1].caption, "Tarnwick");
    EXPECT_EQ(boxes.boxes[1].text, kCouldNotConnect);
    EXPECT_EQ(w.LoginPage().Pointer().Code(), PointerCode::Default);
    EXPECT_TRUE(w.LoginPage().isVisible());
}

TEST_F(LoginPage, NextWithAWrongPasswordDoesNothingVisible) {
    const db::ConnectionSettings login = TestServer::FreshDatabaseForThisTest();
    pages::Wizard& w = Started();
    TypeLogin(w, WithPassword(login, "wrong password"));
    Click(w.LoginPage(), "PushButton3");
    EXPECT_TRUE(w.LoginPage().isVisible());
    EXPECT_FALSE(w.HasTablePage());
    EXPECT_EQ(w.LoginPage().Pointer().Code(), PointerCode::Default);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(LoginPage, BackAndNextAgainListTheTablesOfTheDatabaseNowTyped) {
    const db::ConnectionSettings login = TestServer::FreshDatabaseForThisTest();
    TestServer::Run(login.database, {"CREATE TABLE one (id INT)", "CREATE TABLE two (id INT)"});
    const db::ConnectionSettings other = TestServer::FreshDatabase("t_loginpage_other");
    TestServer::Run(other.database, {"CREATE TABLE three (id INT)"});

    pages::Wizard& w = OnTablePage(login);
    EXPECT_EQ(test::Items(w.TablePage().List1()), (QStringList{"one", "two"}));
    w.TablePage().List1().setCurrentRow(1);
    Click(w.TablePage(), "PushButton2");
    EXPECT_TRUE(w.LoginPage().isVisible());
    EXPECT_FALSE(w.TablePage().isVisible());
    EXPECT_EQ(w.LoginPage().Pointer().Code(), PointerCode::Default);

    Click(w.LoginPage(), "PushButton3");
    EXPECT_EQ(test::Items(w.TablePage().List1()), (QStringList{"one", "two"}));
    EXPECT_EQ(w.TablePage().List1().currentRow(), 0);

    Click(w.TablePage(), "PushButton2");
    w.LoginPage().Text4().setText(other.database);
    Click(w.LoginPage(), "PushButton3");
    EXPECT_EQ(test::Items(w.TablePage().List1()), QStringList{"three"});
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(LoginPage, ASecondPressOfNextOrTestConnectionWhileItWorksDoesNothing) {
    const db::ConnectionSettings login = TestServer::FreshDatabaseForThisTest();
    TestServer::Run(login.database, {"CREATE TABLE a (id INT)", "CREATE TABLE b (id INT)"});
    pages::Wizard& w = Started();
    TypeLogin(w, login);

    // "Next >" pressed again while its statement is at work.
    QStringList sent;
    int pressesDuringWork = 0;
    db::StatementObserverScope observer([&](const QString& statement) {
        sent << statement;
        if (pressesDuringWork++ == 0) Click(w.LoginPage(), "PushButton3");
    });
    Click(w.LoginPage(), "PushButton3");
    EXPECT_EQ(sent, QStringList{"SHOW TABLES;"});
    EXPECT_EQ(test::Items(w.TablePage().List1()), (QStringList{"a", "b"}));
    EXPECT_TRUE(w.TablePage().isVisible());
    EXPECT_FALSE(w.LoginPage().isVisible());
    EXPECT_EQ(w.LoginPage().Pointer().Code(), PointerCode::Default);

    // "Test Connection" pressed again while it yields before connecting.
    Click(w.TablePage(), "PushButton2");
    int pressed = 0;
    QTimer::singleShot(0, &w.LoginPage(), [&] {
        ++pressed;
        Click(w.LoginPage(), "PushButton5");
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // let the yield take events
    Click(w.LoginPage(), "PushButton5");
    EXPECT_EQ(pressed, 1);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "Connection successful.");
    EXPECT_EQ(w.LoginPage().Pointer().Code(), PointerCode::Default);

    // Once the action has ended, the button works again.
    Click(w.LoginPage(), "PushButton5");
    EXPECT_EQ(boxes.boxes.size(), 2u);
}

TEST_F(LoginPage, TheBusyPointerCoversTheLoginFieldsWhileAnActionWorks) {
    const db::ConnectionSettings login = TestServer::FreshDatabaseForThisTest();
    pages::Wizard& w = Started();
    TypeLogin(w, login);
    pages::Form1& form1 = w.LoginPage();
    const std::vector<QLineEdit*> fields = {&form1.Text1(), &form1.Text2(), &form1.Text3(),
                                            &form1.Text4(), &form1.Text5()};
    const auto shapes = [&] {
        std::vector<Qt::CursorShape> shown;
        for (QLineEdit* field : fields) shown.push_back(field->cursor().shape());
        return shown;
    };
    const std::vector<Qt::CursorShape> busy(fields.size(), Qt::WaitCursor);
    const std::vector<Qt::CursorShape> own(fields.size(), Qt::IBeamCursor);
    ASSERT_EQ(shapes(), own);

    std::vector<Qt::CursorShape> duringTest;
    QTimer::singleShot(0, &form1, [&] { duringTest = shapes(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    Click(form1, "PushButton5");
    EXPECT_EQ(duringTest, busy);
    EXPECT_EQ(shapes(), own);

    std::vector<Qt::CursorShape> duringNext;
    db::StatementObserverScope observer([&](const QString&) { duringNext = shapes(); });
    Click(form1, "PushButton3");
    ASSERT_TRUE(w.TablePage().isVisible());
    EXPECT_EQ(duringNext, busy);
    EXPECT_EQ(shapes(), own);
    EXPECT_EQ(form1.cursor().shape(), Qt::ArrowCursor);
}

TEST_F(LoginPage, HelpGivesTheWorkbenchDownloadAddress) {
    Click(Started().LoginPage(), "PushButton2");
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].caption, "Tarnwick");
    EXPECT_EQ(boxes.boxes[0].icon, MessageIcon::None);
    EXPECT_EQ(boxes.boxes[0].text,
              "If you cannot establish connection to your database with this program, please go "
              "to: \r\rhttps://dev.mysql.com/downloads/workbench/\r\rDownload and install the "
              "MySQL Workbench. Try to connect to the same database (with the same login "
              "information you are using here). This will determine if the login you are using is "
              "correct.\r\rFinally, make sure your host allows a direct connection to your MySQL "
              "database -- not a web based connection, for example.");
}

TEST_F(LoginPage, ThePasswordIsMaskedAndAFieldSelectsItsTextOnFocus) {
    pages::Form1& form1 = Started().LoginPage();
    form1.Text3().setText("s3cret");
    EXPECT_EQ(form1.Text3().displayText(), "******");
    EXPECT_FALSE(form1.Text3().testAttribute(Qt::WA_InputMethodEnabled));

    for (QLineEdit* field : {&form1.Text1(), &form1.Text3(), &form1.Text5()}) {
        field->deselect();
        QFocusEvent focus(QEvent::FocusIn, Qt::MouseFocusReason);
        QCoreApplication::sendEvent(field, &focus);
        EXPECT_EQ(field->selectionStart(), 0) << field->objectName().toStdString();
        EXPECT_EQ(field->selectionLength(), field->text().size());
    }
}

TEST_F(LoginPage, ThePasswordTakesNoInputMethodTextWhileTheOtherFieldsDo) {
    pages::Form1& form1 = Started().LoginPage();
    form1.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form1));
    // What Qt asks the focus object before it lets an input method work on it.
    const auto inputMethodEnabled = [] {
        return QInputMethod::queryFocusObject(Qt::ImEnabled, {}).toBool();
    };
    form1.Text2().setFocus();
    ASSERT_EQ(QGuiApplication::focusObject(), &form1.Text2());
    EXPECT_TRUE(inputMethodEnabled());

    form1.Text3().setText("s3cret");
    form1.Text3().setFocus();
    ASSERT_EQ(QGuiApplication::focusObject(), &form1.Text3());
    EXPECT_FALSE(inputMethodEnabled());
    QInputMethodQueryEvent query(Qt::ImEnabled);
    QCoreApplication::sendEvent(QGuiApplication::focusObject(), &query);
    EXPECT_FALSE(query.value(Qt::ImEnabled).toBool());

    // A composition committed all the same changes nothing.
    QInputMethodEvent commit;
    commit.setCommitString("typed by an input method");
    QCoreApplication::sendEvent(&form1.Text3(), &commit);
    EXPECT_EQ(form1.Text3().text(), "s3cret");
    EXPECT_EQ(Stored("MyPassword"), "s3cret");
    QTest::keyClicks(&form1.Text3(), "!");  // the keyboard still types
    EXPECT_EQ(form1.Text3().text(), "!");   // replacing the text that the focus selected
}

TEST_F(LoginPage, ClosingAnyPageEndsTheProgram) {
    const db::ConnectionSettings login = TestServer::FreshDatabaseForThisTest();
    TestServer::Run(login.database, {"CREATE TABLE t (id INT)"});
    pages::Wizard& w = OnFieldPage(login, "t");
    Click(w.FieldPage(), "PushButton6");
    Click(w.FieldPage(), "PushButton4");
    ASSERT_TRUE(w.HasResultPage());
    const std::vector<QWidget*> pages = {&w.LoginPage(), &w.TablePage(), &w.FieldPage(),
                                         &w.ResultPage()};
    for (QWidget* page : pages) {
        exitCodes.clear();
        page->close();
        EXPECT_EQ(exitCodes, std::vector<int>{0}) << page->objectName().toStdString();
    }
}

TEST_F(LoginPage, ClosingAPageWhileTheTablesAreListedEndsTheProgramInsideTheListing) {
    const db::ConnectionSettings login = TestServer::FreshDatabaseForThisTest();
    TestServer::Run(login.database, {"CREATE TABLE a (id INT)", "CREATE TABLE b (id INT)"});
    pages::Wizard& w = Started();
    TypeLogin(w, login);
    std::optional<PointerCode> pointerWhenEnded;
    app::ProgramEndHandlerScope end([&](int code) {
        exitCodes.push_back(code);
        pointerWhenEnded = w.LoginPage().Pointer().Code();
    });
    // The close arrives once the listing has begun (the page shows the busy pointer); events are
    // processed while the probe and the connection wait for the server too.
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, &w.LoginPage(), [&] {
        if (w.LoginPage().Pointer().Code() == PointerCode::Busy && exitCodes.empty())
            w.LoginPage().close();
    });
    closer.start(0);
    // The yield processes events once some milliseconds have passed since it last did.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    Click(w.LoginPage(), "PushButton3");
    closer.stop();
    EXPECT_EQ(exitCodes, std::vector<int>{0});
    EXPECT_EQ(pointerWhenEnded, PointerCode::Busy);
}
