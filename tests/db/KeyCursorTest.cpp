#include <gtest/gtest.h>

#include "tests/support/QtPrinting.h"

#include <optional>

#include "db/Connection.h"
#include "db/DbError.h"
#include "db/KeyCursor.h"
#include "tests/support/TestServer.h"

using namespace tarnwick::db;
using tarnwick::test::TestServer;

namespace {

// The text form of every value of the cursor's current row; "NULL" for NULL.
std::vector<std::string> RowTexts(const KeyCursor& cursor) {
    std::vector<std::string> texts;
    for (int c = 0; c < cursor.FieldCount(); ++c) {
        std::string text;
        texts.push_back(cursor.AppendValue(c, text) ? text : "NULL");
    }
    return texts;
}

const char* const kColumns =
    "ti TINYINT, bu BIGINT UNSIGNED, f FLOAT, f2 FLOAT, d DOUBLE, de DECIMAL(10,2), b9 BIT(9), "
    "b1 BIT(1), dt DATETIME(6), tm TIME(6), y YEAR, c CHAR(5), bn BINARY(3), vb VARBINARY(4), "
    "en ENUM('a','B'), st SET('x','y'), i6 INET6, u UUID, fz INT(5) ZEROFILL, n INT";
const char* const kValues =
    "-128, 18446744073709551615, 1.0000001, 123456.7, 0.1e0 + 0.2e0, 1.5, 257, 1, "
    "'2024-01-01 10:00:00.000001', '-838:59:59.999999', 2024, 'ab ', 'a', '', 'b', 'y,x', '0::1', "
    "'123E4567-E89B-12D3-A456-426614174000', 5, NULL";
const std::vector<std::string> kTexts{"-128",
                                      "18446744073709551615",
                                      "1.0000001",
                                      "123456.7",
                                      "0.30000000000000004",
                                      "1.50",
                                      "0x0101",
                                      "0x01",
                                      "2024-01-01 10:00:00.000001",
                                      "-838:59:59.999999",
                                      "2024",
                                      "ab",
                                      "0x610000",
                                      "",
                                      "B",
                                      "x,y",
                                      "::1",
                                      "123e4567-e89b-12d3-a456-426614174000",
                                      "5",
                                      "NULL"};

}  // namespace

TEST(KeyCursor, WritesEachValueInItsExactTextFormInBlocksAndRowByRow) {
    const auto settings = TestServer::FreshDatabaseForThisTest();
    auto connection = OpenConnection(settings);
    connection->Execute(QStringLiteral("CREATE TABLE t (%1);").arg(kColumns));
    connection->Execute(QStringLiteral("INSERT INTO t VALUES (%1);").arg(kValues));
    connection->Execute("CREATE TABLE l (j JSON, g GEOMETRY);");
    connection->Execute("INSERT INTO l VALUES ('{\"a\": 1}', POINT(1, 2));");

    // Bounded columns only: fetched in blocks.
    KeyCursor block = KeyCursor::Open(connection, "SELECT * FROM t;");
    ASSERT_TRUE(block.Fetch());
    EXPECT_EQ(RowTexts(block), kTexts);
    EXPECT_FALSE(block.Fetch());

    // With long columns (JSON, GEOMETRY) the row is read value by value, in the same forms.
    KeyCursor rows = KeyCursor::Open(connection, "SELECT t.*, l.j, l.g FROM t, l;");
    ASSERT_TRUE(rows.Fetch());
    std::vector<std::string> expected = kTexts;
    expected.push_back("{\"a\": 1}");
    expected.push_back("0x000000000101000000000000000000F03F0000000000000040");
    EXPECT_EQ(RowTexts(rows), expected);
    EXPECT_FALSE(rows.Fetch());
    EXPECT_THROW(rows.AppendValue(22, expected[0]), DbError);
}

TEST(KeyCursor, ReadsManyRowsInBlocksAlsoAfterBeingMoved) {
    const auto settings = TestServer::FreshDatabaseForThisTest();
    auto connection = OpenConnection(settings);
    // Several blocks, with NULLs, non-ASCII text, decimals, floats and bytes.
    std::optional<KeyCursor> cursor;
    cursor.emplace(KeyCursor::Open(
        connection,
        QString::fromUtf8("SELECT seq, IF(seq % 7 = 0, NULL, CONCAT('Zürich ', seq)), seq / 4, "
                          "CAST(seq AS FLOAT) + 0.5, CAST(CONCAT(seq) AS BINARY) "
                          "FROM seq_1_to_3000;")));
    int rows = 0;
    while (cursor->Fetch()) {
        ++rows;
        const std::string n = std::to_string(rows);
        const std::vector<std::string> expected{
            n, rows % 7 == 0 ? "NULL" : "Zürich " + n,
            QString::number(rows / 4.0, 'f', 4).toStdString(), n + ".5",
            "0x" + QByteArray::fromStdString(n).toHex().toUpper().toStdString()};
        ASSERT_EQ(RowTexts(*cursor), expected) << "row " << rows;
    }
    EXPECT_EQ(rows, 3000);
    EXPECT_FALSE(cursor->Fetch());
}

TEST(KeyCursor, ReadsLongValuesWhole) {
    const auto settings = TestServer::FreshDatabaseForThisTest();
    auto connection = OpenConnection(settings);
    connection->Execute("CREATE TABLE t (id INT, a TEXT, b BLOB);");
    connection->Execute(
        QString::fromUtf8("INSERT INTO t VALUES (1, CONCAT(REPEAT('ä', 20000), 'end'), "
                          "REPEAT(0xFE, 10000)), (2, NULL, ''), (3, '', NULL);"));
    KeyCursor cursor = KeyCursor::Open(connection, "SELECT * FROM t ORDER BY id;");
    ASSERT_TRUE(cursor.Fetch());
    std::string longText;
    for (int i = 0; i < 20000; ++i) longText += "ä";
    std::string longBytes = "0x";
    for (int i = 0; i < 10000; ++i) longBytes += "FE";
    EXPECT_EQ(RowTexts(cursor), (std::vector<std::string>{"1", longText + "end", longBytes}));
    ASSERT_TRUE(cursor.Fetch());
    EXPECT_EQ(RowTexts(cursor), (std::vector<std::string>{"2", "NULL", ""}));
    ASSERT_TRUE(cursor.Fetch());
    EXPECT_EQ(RowTexts(cursor), (std::vector<std::string>{"3", "", "NULL"}));
    EXPECT_FALSE(cursor.Fetch());
}
