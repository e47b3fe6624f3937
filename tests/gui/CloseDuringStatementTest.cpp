#include <QListWidget>
#include <QTimer>
#include <thread>

#include "db/Connection.h"
#include "db/StatementObserver.h"
#include "pages/Form3.h"
#include "pages/Form4.h"
#include "tests/gui/PageTest.h"
#include "tests/support/QtPrinting.h"
#include "tests/support/TestServer.h"

using namespace tarnwick;
using test::PageTest;
using test::TestServer;

namespace {

class CloseDuringStatement : public PageTest {};

}  // namespace

TEST_F(CloseDuringStatement, ACloseDuringTheCopyCancelsItAndSendsNothingMore) {
    const db::ConnectionSettings login = TestServer::FreshDatabaseForThisTest();
    // `slow` is a view whose rows take the server a tenth of a second each once `delay` says so:
    // quick while the pages are filled, a four-second Copy during the run. The Copy that is
    // cancelled leaves no table, under the run's scratch name or the new one.
    TestServer::Run(login.database,
                    {"CREATE TABLE src (n INT, k INT);",
                     "INSERT INTO src SELECT seq, seq % 4 FROM seq_1_to_40;",
                     "CREATE TABLE delay (seconds DOUBLE);", "INSERT INTO delay VALUES (0);",
                     "CREATE FUNCTION nap() RETURNS INT NOT DETERMINISTIC READS SQL DATA "
                     "RETURN (SELECT SLEEP(seconds) FROM delay);",
                     "CREATE VIEW slow AS SELECT n, k FROM src WHERE nap() = 0;"});
    const QString before = TestServer::Checksum(login, "src");
    pages::Wizard& w = OnFieldPage(login, "slow");
    w.FieldPage().List1().setCurrentRow(1);  // k
    Click(w.FieldPage(), "PushButton5");
    Click(w.FieldPage(), "PushButton4");
    pages::Form4& form4 = w.ResultPage();
    TestServer::Run(login.database, {"UPDATE delay SET seconds = 0.1;"});

    QStringList sent;
    QStringList sentAtClose;
    int ticksDuringCopy = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticksDuringCopy; });
    db::StatementObserverScope observer([&](const QString& statement) {
        sent << statement;
        if (!statement.startsWith("CREATE TABLE")) return;
        ticker.start(10);
        QTimer::singleShot(300, &form4, [&] {
            ticker.stop();
            sentAtClose = sent;
            form4.close();
        });
    });
    Click(form4, "PushButton4");

    EXPECT_EQ(exitCodes, std::vector<int>{0});
    ASSERT_FALSE(sentAtClose.isEmpty());
    EXPECT_TRUE(sentAtClose.last().endsWith(" AS SELECT * from `slow`;"))
        << sentAtClose.join('\n').toStdString();
    EXPECT_EQ(sent, sentAtClose);
    // The window went on answering while the server copied.
    EXPECT_GT(ticksDuringCopy, 10);

    db::ResumeSendingStatements();  // the recorded end of program returned; look at the server
    bool copyGone = false;
    for (int attempt = 0; attempt < 50 && !copyGone; ++attempt) {
        copyGone = TestServer::Rows(TestServer::Settings({}),
                                    "SELECT info FROM information_schema.processlist WHERE info "
                                    "LIKE 'CREATE TABLE %slow%';")
                       .isEmpty();
        if (!copyGone) std::this_thread::sleep_for(std::chrono::milliseconds(40));
    }
    EXPECT_TRUE(copyGone);
    EXPECT_EQ(TestServer::Rows(login, "SHOW FULL TABLES;"),
              (QStringList{"delay|BASE TABLE", "slow|VIEW", "src|BASE TABLE"}));
    EXPECT_EQ(TestServer::Checksum(login, "src"), before);
}
