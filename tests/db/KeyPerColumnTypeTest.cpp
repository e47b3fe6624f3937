// For every column type: a run keeps exactly the first row of each group of values that the
// server itself holds equal (compared exactly, the collation aside), and never merges two values
// that the server holds apart. The groups come from the server (GROUP BY an exact expression of
// the value) and their number is also given by hand, so that a wrong expression cannot hide a
// wrong run.
#include <gtest/gtest.h>

#include "tests/support/QtPrinting.h"

#include "app/core/GuardedProcedure.h"
#include "db/Connection.h"
#include "engine/DeduplicationRun.h"
#include "tests/support/RecordingMessageBoxService.h"
#include "tests/support/TestServer.h"

using namespace tarnwick;
using test::TestServer;

namespace {

struct TypeCase {
    const char* name;
    const char* type;  // the column's type as CREATE TABLE takes it
    // SQL values, inserted in this order (ids 1, 2, ...), or a whole INSERT ... SELECT into v.
    std::vector<const char*> values;
    int groups;                // counted by hand
    const char* exact = "v";   // groups the values exactly, as the run compares them
    const char* sqlMode = "";  // added to the session's mode while the table is made
    const char* insert = "";
};

void PrintTo(const TypeCase& c, std::ostream* out) {
    *out << c.name;
}

// Text compares byte for byte (case and trailing blanks count); NULL and empty text are one key.
constexpr const char* kExactText = "IFNULL(BINARY v, '')";

const TypeCase kCases[] = {
    {"tinyint", "TINYINT", {"-128", "127", "0", "-0", "'1'", "1"}, 4},
    {"tinyint_unsigned", "TINYINT UNSIGNED", {"0", "255", "255", "254"}, 3},
    {"smallint", "SMALLINT", {"-32768", "32767", "32767"}, 2},
    {"mediumint_unsigned", "MEDIUMINT UNSIGNED", {"16777215", "16777214", "16777215"}, 2},
    {"int", "INT", {"-2147483648", "2147483647", "-2147483648", "0", "NULL", "NULL"}, 4},
    {"int_zerofill", "INT(5) ZEROFILL", {"5", "'05'", "50"}, 2},
    {"bigint",
     "BIGINT",
     {"-9223372036854775808", "9223372036854775807", "9223372036854775806", "-9223372036854775808"},
     3},
    {"bigint_unsigned",
     "BIGINT UNSIGNED",
     {"18446744073709551615", "18446744073709551614", "0", "18446744073709551615",
      "9223372036854775808"},
     4},
    {"decimal",
     "DECIMAL(20,10)",
     {"1.5", "1.50", "1.5000000001", "-0.0", "0", "1234567890.0123456789", "-1.5"},
     5},
    {"decimal_widest",
     "DECIMAL(65,30)",
     {"'-99999999999999999999999999999999999.999999999999999999999999999999'",
      "'-99999999999999999999999999999999999.999999999999999999999999999998'",
      "'0.000000000000000000000000000001'", "'0.000000000000000000000000000001'"},
     3},
    // The server's text of these has six digits: 1.0000001 and 1.0000002 both read "1".
    {"float",
     "FLOAT",
     {"1.0000001", "1.0000002", "123456.7", "123456.8", "1.0000001", "0", "-0e0", "3.40282e38",
      "1.17549e-38", "-1.0000001"},
     8},
    {"real_as_float", "REAL", {"1.0000001", "1.0000002", "1.0000001"}, 2, "v", "REAL_AS_FLOAT"},
    {"double",
     "DOUBLE",
     {"0.3e0", "0.30000000000000004e0", "0.1e0 + 0.2e0", "1.7976931348623157e308",
      "4.9406564584124654e-324", "0.3e0", "-0e0", "0e0"},
     5},
    {"bit1", "BIT(1)", {"b'0'", "b'1'", "b'1'", "NULL", "b'0'"}, 3},
    {"bit64", "BIT(64)", {"b'1'", "b'10'", "0xFFFFFFFFFFFFFFFF", "b'01'", "b'0'"}, 4},
    {"date", "DATE", {"'2024-02-29'", "'2024-02-29'", "'0000-00-00'", "'2024-03-01'", "NULL"}, 4},
    {"time6",
     "TIME(6)",
     {"'10:00:00.000001'", "'10:00:00.000002'", "'-838:59:59.999999'", "'838:59:59'",
      "'-00:00:00.5'", "'00:00:00.5'", "'10:00:00.000001'"},
     6},
    {"time", "TIME", {"'-12:00:01'", "'12:00:01'", "'12:00:01'"}, 2},
    {"datetime6",
     "DATETIME(6)",
     {"'2024-01-01 10:00:00.000001'", "'2024-01-01 10:00:00.000002'", "'2024-01-01 10:00:00'",
      "'2024-01-01 10:00:00.000000'", "'0000-00-00 00:00:00'", "'9999-12-31 23:59:59.999999'",
      "'2024-01-01 10:00:00.000001'"},
     5},
    {"datetime", "DATETIME", {"'2024-01-01 10:00:00'", "'2024-01-01 10:00:01'"}, 2},
    {"timestamp3",
     "TIMESTAMP(3) NULL",
     {"'2024-01-01 10:00:00.001'", "'2024-01-01 10:00:00.002'", "'2024-01-01 10:00:00.001'",
      "'2030-01-01 00:00:00.999'"},
     3},
    // 0 is the year 0000, '0' and '00' the year 2000.
    {"year", "YEAR", {"2024", "0", "'0'", "2000", "2024", "1901", "2155"}, 5},
    // CHAR drops trailing blanks as it stores a value: 'ab' and 'ab  ' are one value.
    {"char", "CHAR(5)", {"'ab'", "'ab  '", "'AB'", "'ab '", "''", "NULL", "' ab'"}, 4, kExactText},
    {"char_latin1",
     "CHAR(5) CHARACTER SET latin1",
     {"'é'", "'É'", "'e'", "'é '", "'é'"},
     3,
     kExactText},
    {"varchar_latin1",
     "VARCHAR(20) CHARACTER SET latin1",
     {"'x'", "'X'", "'x '", "'é'", "'e'", "'É'", "'x'", "''", "NULL"},
     7,
     kExactText},
    // Every byte of latin1 is its own character.
    {"varchar_latin1_all_bytes",
     "VARCHAR(2) CHARACTER SET latin1",
     {},
     256,
     kExactText,
     "",
     "INSERT INTO t (v) SELECT CONVERT(UNHEX(LPAD(HEX(seq % 256), 2, '0')) USING latin1) FROM "
     "seq_0_to_511 ORDER BY seq"},
    {"varchar_utf8mb4",
     "VARCHAR(20) CHARACTER SET utf8mb4 COLLATE utf8mb4_general_ci",
     {"'Straße'", "'STRASSE'", "'strasse'", "'\xC3\xA9'", "'e\xCC\x81'", "'😀'", "'😁'", "'Straße'",
      "''", "NULL", "'straße '"},
     9,
     kExactText},
    {"text_latin1",
     "TEXT CHARACTER SET latin1",
     {"'a'", "'A'", "'a '", "REPEAT('x', 10000)", "CONCAT(REPEAT('x', 9999), 'y')",
      "REPEAT('x', 10000)", "''", "NULL"},
     6,
     kExactText},
    {"text_utf8mb4",
     "MEDIUMTEXT CHARACTER SET utf8mb4",
     {"REPEAT('ä', 9000)", "CONCAT(REPEAT('ä', 8999), 'a')", "REPEAT('ä', 9000)", "'Ä'", "'ä'"},
     4,
     kExactText},
    // BINARY pads with zero bytes as it stores: 'a', 'a\0' and 0x610000 are one value.
    {"binary", "BINARY(3)", {"'a'", "'a\\0'", "0x610000", "'A'", "''", "NULL"}, 4},
    {"varbinary",
     "VARBINARY(10)",
     {"0x00", "0x0000", "0x00", "'a'", "'A'", "''", "NULL", "0xFF", "0xFE"},
     7,
     "IFNULL(v, '')"},
    {"blob",
     "BLOB",
     {"0xFF", "0xFE", "0xFF", "''", "NULL", "REPEAT('ab', 6000)", "REPEAT('ab', 6000)",
      "CONCAT(REPEAT('ab', 5999), 'aB')"},
     5,
     "IFNULL(v, '')"},
    {"enum", "ENUM('a','B','c ')", {"'a'", "'B'", "'a'", "'c'", "NULL", "'b'"}, 4},
    {"set", "SET('x','y','z')", {"'x,y'", "'y,x'", "'x'", "''", "NULL", "'z'"}, 4, kExactText},
    {"json",
     "JSON",
     {"'{\"a\": 1}'", "'{\"a\":1}'", "'{\"a\": 1}'", "'[1, 2]'", "'\"A\"'", "'\"a\"'"},
     5,
     kExactText},
    {"geometry",
     "GEOMETRY",
     {"POINT(1, 2)", "POINT(1, 2)", "POINT(2, 1)", "ST_GeomFromText('LINESTRING(0 0, 1 1)')",
      "NULL"},
     4,
     "HEX(v)"},
    {"inet6",
     "INET6",
     {"'::1'", "'0::1'", "'::2'", "'2001:db8::1'", "'2001:DB8::1'", "'::ffff:1.2.3.4'"},
     4},
    {"uuid",
     "UUID",
     {"'123e4567-e89b-12d3-a456-426614174000'", "'123E4567-E89B-12D3-A456-426614174000'",
      "'00000000-0000-0000-0000-000000000001'"},
     2},
};

class KeyPerColumnType : public ::testing::TestWithParam<TypeCase> {};

}  // namespace

TEST_P(KeyPerColumnType, KeepsTheFirstRowOfEachGroupOfExactlyEqualValues) {
    const TypeCase& c = GetParam();
    const auto db = TestServer::FreshDatabase(QStringLiteral("keys_") + c.name);
    QString insert = QString::fromUtf8(c.insert);
    if (insert.isEmpty()) {
        QStringList rows;
        for (const char* value : c.values)
            rows << QStringLiteral("(%1)").arg(QString::fromUtf8(value));
        insert = "INSERT INTO t (v) VALUES " + rows.join(", ") + ";";
    }
    {
        auto connection = db::OpenConnection(db);
        if (*c.sqlMode != 0) {
            connection->Execute(QStringLiteral("SET SESSION sql_mode = CONCAT(@@sql_mode, ',%1');")
                                    .arg(QString::fromUtf8(c.sqlMode)));
        }
        connection->Execute("CREATE TABLE t (id INT AUTO_INCREMENT PRIMARY KEY, v " +
                            QString::fromUtf8(c.type) + ");");
        connection->Execute(insert);
    }

    test::RecordingMessageBoxService boxes;
    app::GuardedProcedure proc("Form4.PushButton4_Click");
    engine::DeduplicationRun run(proc, {});
    run.Run({db, "t", {"v"}, "t2"});
    for (const auto& box : boxes.boxes) ADD_FAILURE() << box.text.toStdString();

    const QStringList expected =
        TestServer::Rows(db, "SELECT MIN(id) AS first FROM t GROUP BY " +
                                 QString::fromUtf8(c.exact) + " ORDER BY first;");
    EXPECT_EQ(expected.size(), c.groups)
        << "the server's groups: " << expected.join(' ').toStdString();
    EXPECT_EQ(TestServer::Rows(db, "SELECT id FROM t2 ORDER BY id;"), expected);
}

INSTANTIATE_TEST_SUITE_P(AllTypes, KeyPerColumnType, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });
