#include <gtest/gtest.h>

#include "tests/support/QtPrinting.h"

#include "db/Connection.h"
#include "db/DbError.h"
#include "db/Identifier.h"
#include "db/RowBlockCache.h"
#include "db/RowSet.h"
#include "tests/support/TestServer.h"

using namespace tarnwick::db;
using namespace Qt::Literals::StringLiterals;
using tarnwick::test::TestServer;

TEST(RowSet, ShowTablesReadInCountedForm) {
    auto settings = TestServer::FreshDatabaseForThisTest();
    auto connection = OpenConnection(settings);
    for (const char* name : {"customers", "orders", "order lines"}) {
        connection->Execute("CREATE TABLE " + QuoteIdentifier(name) + " (id INT);");
    }
    auto tables = connection->Execute("SHOW TABLES;");
    ASSERT_EQ(tables->RecordCount(), 3);
    QStringList names;
    for (long i = 1; i <= tables->RecordCount(); ++i) {
        names << NullToDefault(tables->Field(0), {});
        tables->MoveNext();
    }
    EXPECT_EQ(names, (QStringList{"customers", "order lines", "orders"}));
    EXPECT_TRUE(tables->Eof());
}

TEST(RowSet, DescribeReadUntilEndWithNullFields) {
    auto settings = TestServer::FreshDatabaseForThisTest();
    auto connection = OpenConnection(settings);
    connection->Execute(
        "CREATE TABLE t (id INT NOT NULL, name VARCHAR(20) NULL, amount DECIMAL(10,2) DEFAULT "
        "1.5);");
    auto fields = OpenRowSet(connection, "DESCRIBE `t`;");
    EXPECT_EQ(fields->FieldCount(), 6);
    EXPECT_EQ(fields->FieldName(0), "Field");
    QStringList names;
    std::vector<Value> defaults;
    while (!fields->Eof()) {
        names << NullToDefault(fields->Field(0), "");
        defaults.push_back(fields->Field(4));
        fields->MoveNext();
    }
    EXPECT_EQ(names, (QStringList{"id", "name", "amount"}));
    EXPECT_EQ(defaults[0], std::nullopt);  // NOT NULL without a default: a null Default field
    EXPECT_EQ(defaults[1], std::nullopt);
    EXPECT_EQ(defaults[2], "1.50");
    EXPECT_THROW(fields->Field(0), DbError);
    EXPECT_THROW(fields->MoveNext(), DbError);
}

TEST(RowSet, NamesWithBlanksBackticksAndNonAsciiLettersRoundTrip) {
    auto settings = TestServer::FreshDatabaseForThisTest();
    auto connection = OpenConnection(settings);
    const QString table = u"Bücher `und` Ölfässer 東京"_s;
    const QString field = u"naïve `col` ü"_s;
    connection->Execute("CREATE TABLE " + QuoteIdentifier(table) + " (" + QuoteIdentifier(field) +
                        " VARCHAR(40), n INT);");
    connection->Execute("INSERT INTO " + QuoteIdentifier(table) + " VALUES (" +
                        u"'Grüße, 世界 — ok 😀', 1), (NULL, 2), ('', 3);"_s);
    auto rows = OpenRowSet(connection, "SELECT * FROM " + QuoteIdentifier(table) + " ORDER BY n;");
    EXPECT_EQ(rows->FieldName(0), field);
    ASSERT_EQ(rows->RecordCount(), 3);
    EXPECT_EQ(rows->ValueAt(0, 0), u"Grüße, 世界 — ok 😀"_s);
    EXPECT_EQ(rows->ValueAt(1, 0), std::nullopt);
    EXPECT_EQ(rows->ValueAt(2, 0), "");

    auto tables = connection->Execute("SHOW TABLES;");
    EXPECT_EQ(tables->Field(0), table);
    auto fields = OpenRowSet(connection, "DESCRIBE " + QuoteIdentifier(table) + ";");
    EXPECT_EQ(fields->Field(0), field);
}

TEST(RowSet, ReadsEveryRowWithAnExactCountBeforeTheFirst) {
    auto settings = TestServer::FreshDatabaseForThisTest();
    auto connection = OpenConnection(settings);
    connection->Execute("CREATE TABLE t (id INT PRIMARY KEY, note TEXT);");
    QString values;
    for (int i = 1; i <= 150; ++i)
        values += QStringLiteral("%1(%2, 'row %2')").arg(i == 1 ? "" : ",").arg(i);
    connection->Execute("INSERT INTO t VALUES " + values + ";");
    // A value longer than one read chunk arrives whole.
    const QString longText = QString(u"ä"_s).repeated(5000) + "end";
    connection->Execute("UPDATE t SET note = '" + longText + "' WHERE id = 150;");

    auto rows = OpenRowSet(connection, "SELECT * FROM t ORDER BY id;");
    EXPECT_EQ(rows->RecordCount(), 150);
    long read = 0;
    while (!rows->Eof()) {
        ++read;
        EXPECT_EQ(rows->Field(0), QString::number(read));
        rows->MoveNext();
    }
    EXPECT_EQ(read, 150);
    EXPECT_EQ(rows->ValueAt(149, 1), longText);
    EXPECT_EQ(rows->ValueAt(0, 1), "row 1");
}

TEST(RowSet, BinaryValuesAreWrittenInHexadecimal) {
    auto settings = TestServer::FreshDatabaseForThisTest();
    auto connection = OpenConnection(settings);
    // Bytes that are not UTF-8 must not collapse into the same text.
    auto rows = OpenRowSet(connection,
                           "SELECT 0xFF AS a, 0xFE AS b, CAST('' AS BINARY) AS c, "
                           "CAST(REPEAT('ab', 5000) AS BINARY) AS d;");
    EXPECT_EQ(rows->Field(0), "0xFF");
    EXPECT_EQ(rows->Field(1), "0xFE");
    EXPECT_EQ(rows->Field(2), "");
    EXPECT_EQ(rows->Field(3), "0x" + QString("6162").repeated(5000));
    // A BIT(1), which the driver gives as a control character, is shown as its byte too.
    connection->Execute("CREATE TABLE flags (on_sale BIT(1), mask BIT(9));");
    connection->Execute("INSERT INTO flags VALUES (b'1', b'100000001');");
    auto flags = OpenRowSet(connection, "SELECT * FROM flags;");
    EXPECT_EQ(flags->Field(0), "0x01");
    EXPECT_EQ(flags->Field(1), "0x0101");
}

TEST(RowSet, StatementsWithoutRowsGiveAClosedRowSet) {
    auto settings = TestServer::FreshDatabaseForThisTest();
    auto connection = OpenConnection(settings);
    auto result = connection->Execute("CREATE TABLE t (a INT);");
    EXPECT_FALSE(result->IsOpen());
    try {
        result->RecordCount();
        FAIL() << "a closed row set gave a count";
    } catch (const DbError& e) {
        EXPECT_EQ(e.Description(), "Operation is not allowed when the object is closed.");
    }
    auto rows = OpenRowSet(connection, "SELECT * FROM t;");
    EXPECT_TRUE(rows->IsOpen());
    EXPECT_EQ(rows->RecordCount(), 0);
    EXPECT_TRUE(rows->Eof());
    rows->Close();
    EXPECT_FALSE(rows->IsOpen());
    EXPECT_THROW(rows->Eof(), DbError);
}

TEST(RowSet, KeepsItsConnectionAlive) {
    auto settings = TestServer::FreshDatabaseForThisTest();
    std::weak_ptr<Connection> weak;
    std::shared_ptr<RowSet> rows;
    {
        auto connection = OpenConnection(settings);
        weak = connection;
        rows = OpenRowSet(connection, "SELECT 1 AS one;");
    }
    EXPECT_FALSE(weak.expired());
    rows.reset();
    EXPECT_TRUE(weak.expired());
}

TEST(Cursor, StreamsRowsForward) {
    auto settings = TestServer::FreshDatabaseForThisTest();
    auto connection = OpenConnection(settings);
    Cursor cursor = connection->OpenCursor("SELECT 'a' AS x, NULL AS y UNION ALL SELECT 'b', 'c';");
    EXPECT_EQ(cursor.FieldCount(), 2);
    EXPECT_EQ(cursor.FieldName(1), "y");
    ASSERT_TRUE(cursor.Fetch());
    EXPECT_EQ(cursor.Read(0), "a");
    EXPECT_EQ(cursor.Read(1), std::nullopt);
    ASSERT_TRUE(cursor.Fetch());
    EXPECT_EQ(cursor.Read(1), "c");
    EXPECT_EQ(cursor.Read(0), "b");
    EXPECT_FALSE(cursor.Fetch());
}

TEST(Cursor, ReadsManyRowsInBlocksAlsoAfterBeingMoved) {
    auto settings = TestServer::FreshDatabaseForThisTest();
    auto connection = OpenConnection(settings);
    // 1000 rows: several blocks of bound columns, with NULLs, non-ASCII text, numbers and bytes.
    std::optional<Cursor> cursor;
    cursor.emplace(
        connection->OpenCursor(u"SELECT seq, IF(seq % 7 = 0, NULL, CONCAT('Zürich ', seq)), seq / "
                               u"4, CAST(CONCAT(seq) AS BINARY) "
                               "FROM seq_1_to_1000;"_s));
    int rows = 0;
    while (cursor->Fetch()) {
        ++rows;
        ASSERT_EQ(cursor->Read(0), QString::number(rows));
        ASSERT_EQ(cursor->Read(1),
                  rows % 7 == 0 ? Value() : Value(u"Zürich "_s + QString::number(rows)));
        ASSERT_EQ(cursor->Read(2), QString::number(rows / 4.0, 'f', 4));
        ASSERT_EQ(cursor->Read(3), "0x" + QString::number(rows).toLatin1().toHex().toUpper());
    }
    EXPECT_EQ(rows, 1000);
}

TEST(RowSet, ReadsAnyRowOfALargeResultInAnyOrder) {
    auto settings = TestServer::FreshDatabaseForThisTest();
    auto connection = OpenConnection(settings);
    auto rows = OpenRowSet(connection,
                           "SELECT seq, IF(seq % 1000 = 0, NULL, CONCAT('v', seq)) AS v, "
                           "IF(seq % 999 = 0, '', 'x') AS e FROM seq_1_to_300000;");
    ASSERT_EQ(rows->RecordCount(), 300000);
    // Far apart, across block edges, backwards and forwards again.
    for (long row : {299999L, 0L, 150000L, 255L, 256L, 999L, 998L, 123456L, 299999L, 1L}) {
        const long seq = row + 1;
        ASSERT_EQ(rows->ValueAt(row, 0), QString::number(seq)) << row;
        ASSERT_EQ(rows->ValueAt(row, 1),
                  seq % 1000 == 0 ? Value() : Value("v" + QString::number(seq)))
            << row;
        ASSERT_EQ(rows->ValueAt(row, 2), seq % 999 == 0 ? "" : "x") << row;
    }
    EXPECT_EQ(rows->ValueAt(999, 1), std::nullopt);
    EXPECT_EQ(rows->ValueAt(998, 2), "");
    EXPECT_THROW(rows->ValueAt(300000, 0), DbError);
    EXPECT_THROW(rows->ValueAt(-1, 0), DbError);
    EXPECT_THROW(rows->ValueAt(0, 3), DbError);

    // Forward reading after the jumps still starts at the first row and crosses blocks.
    for (long seq = 1; seq <= 600; ++seq) {
        ASSERT_EQ(rows->Field(0), QString::number(seq));
        rows->MoveNext();
    }
    EXPECT_EQ(rows->Field(0), "601");
}

TEST(RowSet, WideValuesAreReadAtAnyPositionToo) {
    auto settings = TestServer::FreshDatabaseForThisTest();
    auto connection = OpenConnection(settings);
    connection->Execute("CREATE TABLE t (id INT PRIMARY KEY, body LONGTEXT, raw LONGBLOB);");
    connection->Execute(
        "INSERT INTO t SELECT seq, IF(seq % 10 = 0, NULL, REPEAT(CONCAT('ü', seq), 3000)), "
        "CAST(CONCAT(seq) AS BINARY) FROM seq_1_to_200;");
    auto rows = OpenRowSet(connection, "SELECT * FROM t ORDER BY id;");
    ASSERT_EQ(rows->RecordCount(), 200);
    for (long row : {199L, 0L, 31L, 32L, 99L, 150L}) {
        const long id = row + 1;
        ASSERT_EQ(rows->ValueAt(row, 0), QString::number(id));
        ASSERT_EQ(rows->ValueAt(row, 1),
                  id % 10 == 0 ? Value() : Value((u"ü"_s + QString::number(id)).repeated(3000)));
        ASSERT_EQ(rows->ValueAt(row, 2), "0x" + QString::number(id).toLatin1().toHex().toUpper());
    }
}

TEST(RowBlockCache, KeepsAFewBlocksTheLeastRecentlyUsedGoingFirst) {
    auto connection = OpenConnection(TestServer::FreshDatabaseForThisTest());
    Cursor cursor =
        connection->OpenCursor("SELECT seq FROM seq_1_to_5000;", Connection::Reading::Positioned);
    const long block = cursor.RowsPerFetch();
    ASSERT_GT(block, 1);
    RowBlockCache cache(1, block);
    EXPECT_EQ(cache.ValueAt(&cursor, 0, 0), "1");
    EXPECT_EQ(cache.ValueAt(&cursor, block, 0), QString::number(block + 1));
    // The first block is used again, so the second is the oldest when the cache is full.
    for (long b = 2; b <= static_cast<long>(RowBlockCache::kMaxBlocks); ++b) {
        EXPECT_EQ(cache.ValueAt(&cursor, 0, 0), "1");
        EXPECT_EQ(cache.ValueAt(&cursor, b * block + 3, 0), QString::number(b * block + 4));
    }
    EXPECT_TRUE(cache.Holds(0));
    EXPECT_FALSE(cache.Holds(block));
    EXPECT_TRUE(cache.Holds(static_cast<long>(RowBlockCache::kMaxBlocks) * block));
    // A block read again comes back with the same values; the end of the result is short.
    EXPECT_EQ(cache.ValueAt(&cursor, block + 1, 0), QString::number(block + 2));
    EXPECT_EQ(cache.ValueAt(&cursor, 4999, 0), "5000");
    EXPECT_THROW(cache.ValueAt(&cursor, 5000, 0), DbError);
}
