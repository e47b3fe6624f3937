// A table's definition taken apart, against the server's own: an empty table made LIKE it, its
// plain indexes dropped and added back from what was read, has the same definition again.
#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QStringList>

#include "engine/Statements.h"
#include "engine/TableStructure.h"
#include "tests/support/QtPrinting.h"
#include "tests/support/TestServer.h"

using namespace tarnwick;
using test::TestServer;

namespace {

struct Shape {
    const char* name;
    const char* create;  // the table t
    QStringList plainIndexes;
    QStringList storedColumns;
    const char* autoIncrement;  // the column, or ""
    int foreignKeys = 0;
};

// The definition as SHOW CREATE TABLE writes it, named n and without the AUTO_INCREMENT counter.
QString Definition(const db::ConnectionSettings& db, const QString& table) {
    const QString text = TestServer::Rows(db, engine::CreateTableQuery(table)).value(0);
    return text.section(u'|', 1)
        .replace("CREATE TABLE `" + table + "`", "CREATE TABLE `n`")
        .remove(QRegularExpression(" AUTO_INCREMENT=\\d+"));
}

}  // namespace

TEST(TableStructure, TheIndexesTakenApartMakeTheSameTableAgainOnEveryShape) {
    const Shape kShapes[] = {
        {"an AUTO_INCREMENT key, UNIQUE, KEY with a comment, FULLTEXT, generated and invisible "
         "columns, a table comment",
         "CREATE TABLE t (id INT AUTO_INCREMENT PRIMARY KEY, `odd ``name` VARCHAR(20) COMMENT "
         "'the name', city VARCHAR(20) INVISIBLE, body TEXT, g VARCHAR(30) AS (CONCAT(city, '!')) "
         "VIRTUAL, s INT AS (LENGTH(city)) STORED, UNIQUE KEY u (`odd ``name`, city), KEY c "
         "(city(5) DESC) COMMENT 'idx, (x)', FULLTEXT KEY ft (body)) COMMENT 'tbl' "
         "ROW_FORMAT=DYNAMIC;",
         {"UNIQUE KEY `u` (`odd ``name`,`city`)", "KEY `c` (`city`(5) DESC) COMMENT 'idx, (x)'"},
         {"id", "odd `name", "city", "body"},
         "id"},
        {"a key of two columns, partitioned",
         "CREATE TABLE t (id INT, a INT, PRIMARY KEY (id, a), KEY (a)) PARTITION BY HASH (id) "
         "PARTITIONS 3;",
         {"KEY `a` (`a`)"},
         {"id", "a"},
         ""},
        {"no primary key, a unique key; MyISAM with an AUTO_INCREMENT second in its key",
         "CREATE TABLE t (g CHAR(2) NOT NULL, n INT NOT NULL AUTO_INCREMENT, v INT, UNIQUE KEY "
         "gv (g, v), PRIMARY KEY (g, n), KEY nv (n, v)) ENGINE=MyISAM;",
         {"UNIQUE KEY `gv` (`g`,`v`)"},
         {"g", "n", "v"},
         "n"},
        {"SPATIAL, Aria",
         "CREATE TABLE t (p POINT NOT NULL, k INT, SPATIAL KEY sp (p), KEY (k)) "
         "ENGINE=Aria;",
         {"KEY `k` (`k`)"},
         {"p", "k"},
         ""},
        {"a foreign key",
         "CREATE TABLE t (id INT PRIMARY KEY, r INT, KEY r (r), CONSTRAINT fr "
         "FOREIGN KEY (r) REFERENCES parent (id));",
         {"KEY `r` (`r`)"},
         {"id", "r"},
         "",
         1},
        {"no key at all", "CREATE TABLE t (a INT, b TEXT);", {}, {"a", "b"}, ""},
    };
    for (const Shape& shape : kShapes) {
        SCOPED_TRACE(shape.name);
        auto db = TestServer::FreshDatabaseForThisTest();
        TestServer::Run(db.database, {"CREATE TABLE parent (id INT PRIMARY KEY);", shape.create});
        const engine::TableStructure structure = engine::ParseTableStructure(
            TestServer::Rows(db, engine::CreateTableQuery("t")).value(0).section(u'|', 1));
        EXPECT_EQ(structure.plainIndexes, shape.plainIndexes);
        EXPECT_EQ(structure.storedColumns, shape.storedColumns);
        EXPECT_EQ(structure.autoIncrementColumn.value_or(""), shape.autoIncrement);
        EXPECT_EQ(structure.foreignKeys, shape.foreignKeys);

        TestServer::Run(db.database, {engine::LikeStatement("c", "t")});
        if (!structure.plainIndexes.isEmpty()) {
            TestServer::Run(db.database,
                            {engine::DropIndexesStatement("c", structure.plainIndexNames)});
            EXPECT_NE(Definition(db, "c"), Definition(db, "t"));
            TestServer::Run(db.database, {engine::AddIndexesStatement("c", structure.plainIndexes,
                                                                      std::nullopt)});
        }
        // LIKE copies no foreign key.
        QString expected = Definition(db, "t");
        expected.remove(QRegularExpression(",\\n  CONSTRAINT [^\\n]*FOREIGN KEY[^\\n]*"));
        EXPECT_EQ(Definition(db, "c"), expected);
    }
}
