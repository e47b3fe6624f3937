#include <gtest/gtest.h>

#include "tests/support/QtPrinting.h"

#include "engine/AccountGrants.h"

using tarnwick::engine::AccountGrants;

namespace {

QStringList Held(const AccountGrants& grants, const QString& database, bool folds = false) {
    QStringList held = grants.OnDatabase(database, folds).values();
    held.sort();
    return held;
}

}  // namespace

// SHOW GRANTS as MariaDB writes it: only grants on whole databases and on all of them count, name
// patterns match as LIKE does, and what is not about tables is passed over.
TEST(AccountGrants, ReadsThePrivilegesOnADatabaseAsTheServerGrantsThem) {
    const auto grants = AccountGrants::Parse(
        {"GRANT USAGE ON *.* TO `u`@`%` IDENTIFIED BY PASSWORD '*2470C0C06DEE42FD1618BB99005AD'",
         "GRANT SELECT, INSERT (`a, b`, `c`), UPDATE ON `shop`.* TO `u`@`%`",
         "GRANT DELETE ON `shop`.`orders` TO `u`@`%`",
         "GRANT EXECUTE ON PROCEDURE `shop`.`tidy` TO `u`@`%`", "GRANT `cleaners` TO `u`@`%`",
         "GRANT PROXY ON ''@'%' TO 'u'@'%' WITH GRANT OPTION",
         "GRANT ALL PRIVILEGES ON `sh\\_p`.* TO `cleaners`",
         "GRANT CREATE, DROP ON `test%`.* TO PUBLIC",
         "GRANT ALTER ON *.* TO `u`@`%` WITH GRANT OPTION",
         "GRANT SELECT ON `we``ird`.* TO `u`@`%`"});
    ASSERT_TRUE(grants.has_value());
    EXPECT_EQ(Held(*grants, "shop"), (QStringList{"ALTER", "SELECT", "UPDATE", "USAGE"}));
    EXPECT_EQ(Held(*grants, "sh_p"), (QStringList{"ALL PRIVILEGES", "ALTER", "CREATE", "DELETE",
                                                  "DROP", "INSERT", "SELECT", "USAGE"}));
    EXPECT_EQ(Held(*grants, "shXp"), (QStringList{"ALTER", "USAGE"}));
    EXPECT_EQ(Held(*grants, "testing"), (QStringList{"ALTER", "CREATE", "DROP", "USAGE"}));
    EXPECT_EQ(Held(*grants, "we`ird"), (QStringList{"ALTER", "SELECT", "USAGE"}));
    EXPECT_EQ(Held(*grants, "SHOP"), (QStringList{"ALTER", "USAGE"}));
    EXPECT_EQ(Held(*grants, "SHOP", true), (QStringList{"ALTER", "SELECT", "UPDATE", "USAGE"}));

    // A grant it cannot take apart checks nothing, rather than refuse a run that would work.
    EXPECT_FALSE(AccountGrants::Parse({"GRANT SELECT ON `shop`.*"}).has_value());
}
