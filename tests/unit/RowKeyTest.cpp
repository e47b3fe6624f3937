#include <gtest/gtest.h>

#include "tests/support/QtPrinting.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <random>

#include "db/KeyText.h"
#include "engine/RowKey.h"
#include "tests/support/MemoryKeyRows.h"

using tarnwick::engine::RowKey;
using tarnwick::test::MemoryKeyRows;

namespace {

std::string KeyOf(const std::vector<MemoryKeyRows::Field>& values) {
    MemoryKeyRows rows({{1, values}}, static_cast<int>(values.size()));
    rows.Fetch();
    RowKey key;
    for (int field = 0; field < rows.KeyFieldCount(); ++field) key.AppendField(rows, field);
    return std::string(key.Bytes());
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
    const std::vector<std::string> alphabet{"", "1", ":", ";", "a", "1;", ":1", "a:1;"};
    std::map<std::string, std::vector<std::string>> seen;
    for (const std::string& a : alphabet) {
        for (const std::string& b : alphabet) {
            for (const std::string& c : alphabet) {
                const std::vector<std::string> values{a, b, c};
                const std::string key = KeyOf({a, b, c});
                ASSERT_FALSE(seen.contains(key) && seen[key] != values) << key;
                seen[key] = values;
            }
        }
    }
}

TEST(RowKey, CountsTheLengthInBytes) {
    EXPECT_EQ(KeyOf({"\xc3\xa4", "ab"}), "\xc3\xa4:2;ab:2;");  // "ä" is two bytes of UTF-8
    EXPECT_TRUE(KeyOf({std::string(300, 'x')}).ends_with("x:300;"));
}

namespace {

std::string TextOf(float value) {
    std::string text;
    tarnwick::db::AppendFloat(value, text);
    return text;
}

std::string TextOf(double value) {
    std::string text;
    tarnwick::db::AppendDouble(value, text);
    return text;
}

// Every bit pattern but NaN reads back from its text as the same value; so different values
// give different text.
template <class Number, class Bits>
void ExpectRandomValuesToReadBack(std::mt19937_64& random, int count) {
    for (int i = 0; i < count; ++i) {
        const auto bits = static_cast<Bits>(random());
        Number value;
        std::memcpy(&value, &bits, sizeof value);
        if (std::isnan(value)) continue;
        const std::string text = TextOf(value);
        Number back = 0;
        std::from_chars(text.data(), text.data() + text.size(), back);
        ASSERT_EQ(back, value) << text;
    }
}

}  // namespace

TEST(KeyText, FloatsAreWrittenShortestAndReadBackTheSame) {
    EXPECT_EQ(TextOf(1.0000001f), "1.0000001");
    EXPECT_EQ(TextOf(1.0000002f), "1.0000002");
    EXPECT_EQ(TextOf(123456.7f), "123456.7");
    EXPECT_EQ(TextOf(123456.8f), "123456.8");
    EXPECT_EQ(TextOf(-0.0f), "0");
    EXPECT_EQ(TextOf(0.0f), "0");
    EXPECT_EQ(TextOf(std::numeric_limits<float>::max()), "3.4028235e+38");
    EXPECT_EQ(TextOf(0.1 + 0.2), "0.30000000000000004");
    EXPECT_EQ(TextOf(0.3), "0.3");
    EXPECT_EQ(TextOf(-0.0), "0");

    std::mt19937_64 random(20261208);
    ExpectRandomValuesToReadBack<float, uint32_t>(random, 200000);
    ExpectRandomValuesToReadBack<double, uint64_t>(random, 200000);
}

TEST(KeyText, IntegersInDecimalAndBytesInHexadecimal) {
    std::string text;
    tarnwick::db::AppendInteger(std::numeric_limits<int64_t>::min(), text);
    EXPECT_EQ(text, "-9223372036854775808");
    text.clear();
    tarnwick::db::AppendInteger(std::numeric_limits<uint64_t>::max(), text);
    EXPECT_EQ(text, "18446744073709551615");
    text.clear();
    tarnwick::db::AppendHex("\x00\xFF\x0a", 3, text);
    EXPECT_EQ(text, "0x00FF0A");
    tarnwick::db::AppendHex("", 0, text);
    EXPECT_EQ(text, "0x00FF0A");
}
