// Runs against a private MariaDB whose time zone is +02:00, as a server in Central Europe in
// summer.
#include <gtest/gtest.h>

#include <QPushButton>

#include "tests/support/QtPrinting.h"

#include "pages/DataGrid.h"
#include "pages/Form3.h"
#include "pages/Form4.h"
#include "tests/gui/PageTest.h"
#include "tests/support/TestServer.h"

using namespace tarnwick;
using test::TestServer;

class TimeZoneWindows : public test::PageTest {};

// The run compares TIMESTAMPs in UTC, but the result grid shows them as the server's own clients
// do, in the session's zone: a row just after midnight keeps its date. The field page's grid after
// "< Back" shows the chosen table the same way.
TEST_F(TimeZoneWindows, TheResultGridShowsTimesInTheServersZone) {
    const auto db = TestServer::FreshDatabaseForThisTest();
    EXPECT_EQ(TestServer::Rows(db, "SELECT @@time_zone;"), QStringList{"+02:00"});
    TestServer::Run(db.database,
                    {"CREATE TABLE visits (who VARCHAR(9), at TIMESTAMP(3) NULL);",
                     "INSERT INTO visits VALUES ('ann', '2026-06-01 01:30:00.250'), "
                     "('bob', '2026-06-01 14:00:00'), ('ann', '2026-06-02 00:00:00');"});
    // What the server's own client shows, in the session's zone.
    const QStringList shown = TestServer::Rows(db, "SELECT who, at FROM visits LIMIT 2;");
    ASSERT_EQ(shown, (QStringList{"ann|2026-06-01 01:30:00.250", "bob|2026-06-01 14:00:00.000"}));

    pages::Form4& form4 = OnResultPage(db, "visits", {"who"});
    Click(form4, "PushButton4");
    EXPECT_TRUE(boxes.boxes.empty());
    ASSERT_EQ(form4.PushButton4().text(), "Exit");
    EXPECT_EQ(GridRows(form4.DataGrid1()), shown);

    Click(form4, "PushButton2");  // "< Back": the chosen table, whole
    EXPECT_EQ(GridRows(wizard->FieldPage().DataGrid1()),
              shown + QStringList{"ann|2026-06-02 00:00:00.000"});
}
