#include <gtest/gtest.h>

#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/DuplicateDetector.h"
#include "engine/RepeatScreen.h"

using tarnwick::engine::DuplicateDetector;
using tarnwick::engine::RepeatScreen;

namespace {

// "k" and the number. (Written as an append: GCC 12 warns of an overlapping copy, wrongly, in
// "k" + std::to_string(...) when optimising.)
std::string Key(int number) {
    std::string key = "k";
    key += std::to_string(number);
    return key;
}

}  // namespace

TEST(RepeatScreen, MarksTheKeysThatCameTwiceAndForgetsOnClear) {
    RepeatScreen screen;
    EXPECT_FALSE(screen.Repeated("a"));
    for (const char* key : {"a", "b", "c", "b", "", ""}) screen.Add(key);
    EXPECT_TRUE(screen.AnyRepeated());
    EXPECT_TRUE(screen.Repeated("b"));
    EXPECT_TRUE(screen.Repeated(""));
    EXPECT_FALSE(screen.Repeated("a"));
    EXPECT_FALSE(screen.Repeated("c"));
    EXPECT_FALSE(screen.Repeated("never added"));

    screen.DropUnrepeated();  // the same answers from a smaller table
    EXPECT_TRUE(screen.Repeated("b"));
    EXPECT_TRUE(screen.Repeated(""));
    EXPECT_FALSE(screen.Repeated("a"));
    EXPECT_FALSE(screen.Repeated("c"));

    screen.Clear();
    EXPECT_FALSE(screen.AnyRepeated());
    EXPECT_FALSE(screen.Repeated("b"));
    EXPECT_EQ(screen.MemoryBytes(), 0u);
    screen.Add("b");
    EXPECT_FALSE(screen.AnyRepeated());
}

// The two readings as the run does them: the screen first, then exact comparison of the keys
// the screen passes. With 300,000 distinct keys some share 31 bits of hash by chance; those must
// pass the screen and still not count as duplicates.
TEST(RepeatScreen, TwoReadingsFindExactlyTheDuplicatesOfOneReadingAlsoWhenHashesCollide) {
    std::mt19937 random(7);
    std::vector<std::string> keys;
    for (int i = 0; i < 400000; ++i) {
        const bool repeat = i > 0 && random() % 4 == 0;
        keys.push_back(repeat ? keys[random() % keys.size()] : "key " + std::to_string(i));
    }

    // Each reading's detector, and the positions (from 1) of the rows whose key came before.
    const auto add = [](DuplicateDetector& detector, std::vector<int64_t>& later,
                        const std::string& key) {
        if (!detector.Add(detector.Keep(key)).first) later.push_back(detector.RowCount());
    };
    RepeatScreen screen;
    DuplicateDetector oneReading;
    std::vector<int64_t> laterInOne, laterInTwo;
    std::unordered_map<std::string, int> counts;
    for (const std::string& key : keys) {
        screen.Add(key);
        add(oneReading, laterInOne, key);
        ++counts[key];
    }

    const size_t firstReadingBytes = screen.MemoryBytes();
    screen.DropUnrepeated();
    EXPECT_LE(screen.MemoryBytes() * 4, firstReadingBytes);

    DuplicateDetector secondReading;
    int passedWithoutAnEqual = 0;
    for (const std::string& key : keys) {
        if (screen.Repeated(key)) {
            if (counts[key] == 1) ++passedWithoutAnEqual;
            add(secondReading, laterInTwo, key);
        } else {
            ASSERT_EQ(counts[key], 1) << key << " has an equal but did not pass the screen";
            secondReading.AddUnrepeated();
        }
    }
    EXPECT_GT(passedWithoutAnEqual, 0) << "no hash collision: the test misses its point";
    EXPECT_LT(passedWithoutAnEqual, 200);
    EXPECT_EQ(secondReading.RowCount(), oneReading.RowCount());
    EXPECT_EQ(laterInTwo, laterInOne);
    // Only the keys of groups with duplicates (and the few collisions) were kept.
    EXPECT_LT(secondReading.DistinctKeyBytes() * 3, oneReading.DistinctKeyBytes());
}

// Made for its rows at once, the screen answers as if it had grown key by key; shrinking a large
// table to its repeated hashes is done in parts, yielding between them.
TEST(RepeatScreen, AReservedScreenAnswersAlikeAndShrinksInPartsWithYields) {
    constexpr int kKeys = 1500000;
    RepeatScreen grown, reserved;
    reserved.Reserve(kKeys);
    const size_t reservedBytes = reserved.MemoryBytes();
    for (int i = 0; i < kKeys; ++i) {
        const std::string key = Key(i % 2 == 0 ? i : i / 1000);
        grown.Add(key);
        reserved.Add(key);
    }
    EXPECT_EQ(reserved.MemoryBytes(), reservedBytes) << "the reserved table grew";
    EXPECT_EQ(reserved.RepeatedCount(), grown.RepeatedCount());

    int yields = 0;
    reserved.DropUnrepeated([&] { ++yields; });
    EXPECT_GE(yields, 4) << "a table of millions of slots was moved in one piece";
    EXPECT_LT(reserved.MemoryBytes() * 4, reservedBytes);
    for (int i : {0, 1, 2, 1001, 2000, 1498001}) {
        const std::string key = Key(i);
        EXPECT_EQ(reserved.Repeated(key), grown.Repeated(key)) << key;
    }
}

// Among millions of distinct keys thousands share 31 bits of hash by chance, and each of them
// passes the screen: the room offered for the second reading's exact set covers them too.
TEST(RepeatScreen, TheRoomForRepeatedKeysCoversTheKeysThatShareAHashByChance) {
    constexpr int kKeys = 3000000;
    const auto key = [](int i) { return "distinct key " + std::to_string(i); };
    RepeatScreen screen;
    screen.Reserve(kKeys);
    for (int i = 0; i < kKeys; ++i) screen.Add(key(i));
    screen.DropUnrepeated();
    size_t passed = 0;
    for (int i = 0; i < kKeys; ++i) passed += screen.Repeated(key(i)) ? 1 : 0;
    EXPECT_GT(passed, 2048u) << "too few collisions: the test misses its point";
    EXPECT_LE(passed, screen.RepeatedKeysRoom());
    EXPECT_LT(screen.RepeatedKeysRoom(), 4 * passed);
}
