#include <gtest/gtest.h>

#include "tests/support/QtPrinting.h"

#include <QHash>

#include "engine/RowKey.h"

using tarnwick::db::Value;
using tarnwick::engine::RowKey;

namespace {

QString KeyOf(std::initializer_list<Value> values) {
    RowKey key;
    for (const Value& v : values) key.Append(v);
    return key.Text();
}

}  // namespace

TEST(RowKey, NullAndEmptyTextGiveTheSameKey) {
    EXPECT_EQ(KeyOf({std::nullopt, "x"}), KeyOf({"", "x"}));
    EXPECT_EQ(KeyOf({"Smith"}), "Smith:5;");
}

TEST(RowKey, DifferentValuesNeverGiveTheSameKey) {
    EXPECT_NE(KeyOf({"a, b", "c"}), KeyOf({"a", "b, c"}));
    EXPECT_NE(KeyOf({"a:1;", ""}), KeyOf({"a", ";"}));
    EXPECT_NE(KeyOf({"Smith"}), KeyOf({"smith"}));
    EXPECT_NE(KeyOf({"x"}), KeyOf({"x "}));
    EXPECT_NE(KeyOf({"", ""}), KeyOf({""}));

    // Exhaustively over short values made of the characters the encoding itself uses: equal keys
    // only for equal value lists.
    const QStringList alphabet{"", "1", ":", ";", "a", "1;", ":1", "a:1;"};
    QHash<QString, QStringList> seen;
    for (const QString& a : alphabet) {
        for (const QString& b : alphabet) {
            for (const QString& c : alphabet) {
                const QStringList values{a, b, c};
                const QString key = KeyOf({a, b, c});
                ASSERT_FALSE(seen.contains(key) && seen[key] != values) << key.toStdString();
                seen[key] = values;
            }
        }
    }
}

TEST(RowKey, ClearStartsANewRow) {
    RowKey key;
    key.Append("first");
    key.Clear();
    key.Append("abcdefghijkl");
    EXPECT_EQ(key.Text(), "abcdefghijkl:12;");
}
