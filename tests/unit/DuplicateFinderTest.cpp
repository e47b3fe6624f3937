#include <gtest/gtest.h>

#include "tests/support/QtPrinting.h"

#include <random>

#include "engine/DuplicateFinder.h"
#include "engine/KeySpool.h"
#include "tests/support/VectorItemList.h"

using namespace tarnwick::engine;
using tarnwick::test::VectorItemList;
using Positions = std::vector<int32_t>;

namespace {

std::vector<QString> Keys(std::initializer_list<const char*> keys) {
    std::vector<QString> result;
    for (const char* k : keys) result.push_back(QString::fromUtf8(k));
    return result;
}

// The behaviour as first written: every key compared with every earlier key, highest row first.
Positions NaiveDuplicatePositions(const std::vector<QString>& keys) {
    Positions result;
    for (auto i = static_cast<int64_t>(keys.size()) - 1; i >= 0; --i) {
        bool found = false;
        for (int64_t j = 0; j < i; ++j) found = found || keys[j] == keys[i];
        if (found) result.push_back(static_cast<int32_t>(i + 1));
    }
    return result;
}

}  // namespace

TEST(FindDuplicatePositions, ReportsLaterRowsOfEachGroupHighestFirst) {
    EXPECT_EQ(FindDuplicatePositions({}), Positions{});
    EXPECT_EQ(FindDuplicatePositions(Keys({"a"})), Positions{});
    EXPECT_EQ(FindDuplicatePositions(Keys({"a", "b", "c"})), Positions{});
    EXPECT_EQ(FindDuplicatePositions(Keys({"a", "b", "a", "a"})), (Positions{4, 3}));
    EXPECT_EQ(FindDuplicatePositions(Keys({"x", "x", "x", "x", "x"})), (Positions{5, 4, 3, 2}));
    EXPECT_EQ(FindDuplicatePositions(Keys({"a", "b", "c", "b", "a", "c", "d"})),
              (Positions{6, 5, 4}));
}

TEST(FindDuplicatePositions, ComparesExactly) {
    EXPECT_EQ(FindDuplicatePositions(Keys({"A", "a"})), Positions{});
    EXPECT_EQ(FindDuplicatePositions(Keys({"x", "x "})), Positions{});
    EXPECT_EQ(FindDuplicatePositions(Keys({"", " ", ""})), Positions{3});
    // Precomposed and decomposed forms are different text.
    EXPECT_EQ(FindDuplicatePositions({QString::fromUtf8("\u00e9"), QString::fromUtf8("e\u0301")}),
              Positions{});
    EXPECT_EQ(FindDuplicatePositions(Keys({"Smith", "smith", "Smith"})), Positions{3});
}

TEST(FindDuplicatePositions, YieldsOncePerKeyAndLeavesKeysUnchanged) {
    const auto keys = Keys({"a", "b", "a"});
    const auto copy = keys;
    int yields = 0;
    FindDuplicatePositions(keys, [&] { ++yields; });
    EXPECT_EQ(yields, 3);
    EXPECT_EQ(keys, copy);
}

TEST(FindDuplicatePositions, AgreesWithTheQuadraticScanOnRandomKeys) {
    std::mt19937 random(20261208);
    for (int round = 0; round < 200; ++round) {
        const int n = std::uniform_int_distribution<int>(0, 300)(random);
        const int alphabet = std::uniform_int_distribution<int>(1, 40)(random);
        std::vector<QString> keys;
        for (int i = 0; i < n; ++i) {
            const int v = std::uniform_int_distribution<int>(0, alphabet)(random);
            // Mix in near-misses: case and trailing blanks.
            QString key = QString::number(v);
            if (v % 7 == 0) key += u' ';
            if (v % 5 == 0) key = u'K' + key;
            if (v % 3 == 0) key = u'k' + key;
            keys.push_back(key);
        }
        ASSERT_EQ(FindDuplicatePositions(keys), NaiveDuplicatePositions(keys)) << "round " << round;
    }
}

// Its time is measured by scripts/bench (the key reading table, against the quadratic scan).
TEST(FindDuplicatePositions, FindsTheDuplicatesOfAMillionKeysAndYieldsOncePerKey) {
    std::vector<QString> keys;
    keys.reserve(1'000'000);
    for (int i = 0; i < 1'000'000; ++i) {
        // 30% of the rows repeat an earlier row's key, the others are new.
        const bool repeat = i % 10 < 3 && i > 0;
        keys.push_back(repeat ? keys[static_cast<size_t>((i * 7919LL) % i)]
                              : QStringLiteral("name %1, city %2").arg(i).arg(i % 97));
    }
    int yields = 0;
    const Positions positions = FindDuplicatePositions(keys, [&] { ++yields; });
    EXPECT_EQ(yields, 1'000'000);
    EXPECT_EQ(positions.size(), 299'999u);
    EXPECT_TRUE(std::is_sorted(positions.rbegin(), positions.rend()));
    EXPECT_EQ(std::adjacent_find(positions.begin(), positions.end()), positions.end());
}

TEST(DuplicateDetector, StreamsKeysAndCountsRows) {
    DuplicateDetector detector;
    EXPECT_FALSE(detector.Add("a"));
    EXPECT_FALSE(detector.Add("b"));
    EXPECT_TRUE(detector.Add("a"));
    EXPECT_TRUE(detector.Add("b"));
    EXPECT_TRUE(detector.Add("a"));
    EXPECT_EQ(detector.RowCount(), 5);
    EXPECT_EQ(detector.DuplicateCount(), 3);
    EXPECT_EQ(detector.PositionsDescending(), (Positions{5, 4, 3}));

    // A key in its kept form is answered alike, but its position is the caller's to keep.
    EXPECT_TRUE(detector.AddKept(detector.Keep("b")));
    EXPECT_FALSE(detector.AddKept(detector.Keep("c")));
    EXPECT_EQ(detector.RowCount(), 7);
    EXPECT_EQ(detector.DuplicateCount(), 3);
}

TEST(RemoveItemsFoundIn, RemovesEveryOccurrenceExactlyAndKeepsOrder) {
    VectorItemList target({"id", "name", "id", "city"});
    VectorItemList reference({"id", "id", "zip"});
    int yields = 0;
    RemoveItemsFoundIn(target, reference, [&] { ++yields; });
    EXPECT_EQ(target.items, (QStringList{"name", "city"}));
    EXPECT_EQ(reference.items, (QStringList{"id", "id", "zip"}));
    EXPECT_EQ(yields, 4);

    VectorItemList caseDiffers({"Name"});
    RemoveItemsFoundIn(caseDiffers, VectorItemList({"name"}));
    EXPECT_EQ(caseDiffers.items, QStringList{"Name"});

    VectorItemList unchanged({"a", "b"});
    RemoveItemsFoundIn(unchanged, VectorItemList());
    EXPECT_EQ(unchanged.items, (QStringList{"a", "b"}));

    VectorItemList empty;
    RemoveItemsFoundIn(empty, VectorItemList({"a"}));
    EXPECT_TRUE(empty.items.isEmpty());

    VectorItemList all({"a", "b", "a"});
    RemoveItemsFoundIn(all, VectorItemList({"b", "a"}));
    EXPECT_TRUE(all.items.isEmpty());
}

TEST(DistinctValues, KeepsEachValueAtItsLastOccurrence) {
    EXPECT_EQ(DistinctValues({1, 1, 3, 5, 5}), (Positions{1, 3, 5}));
    EXPECT_EQ(DistinctValues({2, 1, 2}), (Positions{1, 2}));
    EXPECT_EQ(DistinctValues({}), Positions{});
    EXPECT_EQ(DistinctValues({-4, 7, -4, 0}), (Positions{7, -4, 0}));
}

TEST(DistinctValues, RefusesMoreThan32767Values) {
    EXPECT_NO_THROW(DistinctValues(Positions(32767, 1)));
    try {
        DistinctValues(Positions(32768, 1));
        FAIL() << "no failure for 32768 values";
    } catch (const std::length_error& e) {
        EXPECT_NE(std::string(e.what()).find("32767"), std::string::npos) << e.what();
    }
}

TEST(DuplicateDetector, ComparesKeysAsBytesAndKeepsThePositionsWhenTheKeysGo) {
    DuplicateDetector detector;
    EXPECT_FALSE(detector.Add(std::string_view("a\0b", 3)));
    EXPECT_FALSE(detector.Add(std::string_view("a\0c", 3)));
    EXPECT_FALSE(detector.Add("a"));
    EXPECT_TRUE(detector.Add(std::string_view("a\0b", 3)));
    detector.ReleaseKeys();
    EXPECT_EQ(detector.PositionsDescending(), (Positions{4}));
    EXPECT_EQ(detector.RowCount(), 4);
}

// Keys longer than the exact limit are kept as digests: keys that differ in one byte anywhere, or
// only in length, stay apart, equal ones are found, and the limit itself does not let a short key
// meet a long one.
TEST(DuplicateDetector, TellsLongKeysApartByEveryByteAndKeepsLittleOfThem) {
    constexpr size_t kLimit = DuplicateDetector::kExactKeyBytes;
    const std::string wide(4096, 'x');
    std::string lastByte = wide;
    lastByte.back() = 'y';
    std::string firstByte = wide;
    firstByte.front() = 'y';
    const std::string atLimit(kLimit, 'x'), pastLimit(kLimit + 1, 'x');

    DuplicateDetector detector;
    for (const std::string* key : std::initializer_list<const std::string*>{
             &wide, &lastByte, &firstByte, &atLimit, &pastLimit})
        EXPECT_FALSE(detector.Add(*key)) << key->size();
    EXPECT_FALSE(detector.Add(wide + 'x'));  // longer by one byte
    EXPECT_TRUE(detector.Add(lastByte));
    EXPECT_TRUE(detector.Add(pastLimit));
    EXPECT_TRUE(detector.Add(atLimit));
    EXPECT_TRUE(detector.Add(wide));
    EXPECT_EQ(detector.PositionsDescending(), (Positions{10, 9, 8, 7}));
    // Five long keys of up to 4 KB and one of 64 bytes: 64 bytes and five digests are kept.
    EXPECT_EQ(detector.DistinctKeyBytes(), kLimit + 5 * 32);
}

// The spool gives back every record as it was written, across its buffer's edges and for keys
// longer than the buffer.
TEST(KeySpool, GivesBackEveryRecordInOrder) {
    tarnwick::engine::KeySpool spool;
    std::vector<std::string> keys;
    for (int i = 0; i < 200000; ++i)
        keys.push_back(std::string(static_cast<size_t>(i % 97), 'a' + i % 26));
    keys.push_back(std::string(3 << 20, 'z'));  // three times the buffer
    keys.push_back("");
    for (size_t i = 0; i < keys.size(); ++i) spool.Append(UINT64_MAX - i, keys[i], i % 3 == 0);
    EXPECT_EQ(spool.Records(), static_cast<int64_t>(keys.size()));
    for (int pass = 0; pass < 2; ++pass) {
        spool.Rewind();
        uint64_t id = 0;
        std::string_view key;
        bool digest = false;
        for (size_t i = 0; i < keys.size(); ++i) {
            ASSERT_TRUE(spool.Next(id, key, digest)) << i;
            ASSERT_EQ(id, UINT64_MAX - i);
            ASSERT_EQ(key, keys[i]) << i;
            ASSERT_EQ(digest, i % 3 == 0);
        }
        EXPECT_FALSE(spool.Next(id, key, digest));
    }
}
