#include <gtest/gtest.h>

#include "tests/support/QtPrinting.h"

#include "db/ConnectionSettings.h"
#include "db/Identifier.h"
#include "db/Value.h"

using namespace Qt::Literals::StringLiterals;

using namespace tarnwick::db;

TEST(ConnectionString, IsBuiltByteForByteWithValuesVerbatim) {
    EXPECT_EQ(BuildConnectionString({"localhost", "app", "", "shop", "3306"}),
              "DRIVER={MySQL ODBC 5.1 Driver};SERVER=localhost;USER=app;PASSWORD=;DATABASE=shop;"
              "PORT=3306;");
    // Blanks are content: nothing is trimmed, quoted or escaped.
    EXPECT_EQ(BuildConnectionString({" db host ", "a b", " p w ", "x ", " 1"}),
              "DRIVER={MySQL ODBC 5.1 Driver};SERVER= db host ;USER=a b;PASSWORD= p w ;"
              "DATABASE=x ;PORT= 1;");
    // Empty values, the port included, leave the key with nothing after the equals sign.
    EXPECT_EQ(BuildConnectionString({}),
              "DRIVER={MySQL ODBC 5.1 Driver};SERVER=;USER=;PASSWORD=;DATABASE=;PORT=;");
    EXPECT_EQ(
        BuildConnectionString({u"sérveur"_s, u"ü"_s, u"密码"_s, u"δ"_s, "x"}),
        u"DRIVER={MySQL ODBC 5.1 Driver};SERVER=sérveur;USER=ü;PASSWORD=密码;DATABASE=δ;PORT=x;"_s);
}

TEST(ConnectionString, BracesValuesThatCouldEndThemselvesOrAddAttributes) {
    EXPECT_EQ(BuildConnectionString({"h", "inj;INITSTMT=CREATE TABLE shop.pwned (a INT)", "p;w",
                                     "shop", "38641;DATABASE=other"}),
              "DRIVER={MySQL ODBC 5.1 Driver};SERVER=h;USER={inj;INITSTMT=CREATE TABLE shop.pwned "
              "(a INT)};PASSWORD={p;w};DATABASE=shop;PORT={38641;DATABASE=other};");
    // A closing brace is doubled inside the braces; an opening one needs no doubling.
    EXPECT_EQ(ConnectionStringValue("a}b"), "{a}}b}");
    EXPECT_EQ(ConnectionStringValue("{x}"), "{{x}}}");
    EXPECT_EQ(ConnectionStringValue(" ;"), "{ ;}");
    EXPECT_EQ(ConnectionStringValue("}"), "{}}}");
    // Everything else stays byte for byte, "=" and quotes included.
    EXPECT_EQ(ConnectionStringValue("a=b 'c\" d"), "a=b 'c\" d");
}

TEST(IdentifierQuoting, EnclosesInBackticksAndDoublesInnerBackticks) {
    EXPECT_EQ(QuoteIdentifier("orders"), "`orders`");
    EXPECT_EQ(QuoteIdentifier("order lines"), "`order lines`");
    EXPECT_EQ(QuoteIdentifier(""), "``");
    EXPECT_EQ(QuoteIdentifier("a`b"), "`a``b`");
    EXPECT_EQ(QuoteIdentifier("``"), "``````");
}

TEST(NullToDefault, ReplacesOnlyNull) {
    EXPECT_EQ(NullToDefault(std::nullopt, "d"), "d");
    EXPECT_EQ(NullToDefault(QString(""), "d"), "");
    EXPECT_EQ(NullToDefault(QString("v"), "d"), "v");
}
