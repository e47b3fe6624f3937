#include <gtest/gtest.h>

#include <random>
#include <string>
#include <unordered_map>

#include "engine/KeySet.h"

using tarnwick::engine::KeySet;

TEST(KeySet, ComparesKeysExactlyByteForByte) {
    KeySet set;
    EXPECT_TRUE(set.Insert("").added);
    EXPECT_FALSE(set.Insert("").added);
    EXPECT_TRUE(set.Insert("ab").added);
    EXPECT_TRUE(set.Insert("abc").added);
    EXPECT_TRUE(set.Insert("Ab").added);
    EXPECT_TRUE(set.Insert("ab ").added);
    EXPECT_TRUE(set.Insert(std::string_view("a\0b", 3)).added);
    EXPECT_TRUE(set.Insert(std::string_view("a\0c", 3)).added);
    EXPECT_FALSE(set.Insert(std::string_view("a\0b", 3)).added);
    EXPECT_FALSE(set.Insert("abc").added);
    EXPECT_EQ(set.Size(), 7u);
}

TEST(KeySet, KeepsKeysLongerThanABlockAndKeysAcrossBlocks) {
    KeySet set;
    const std::string big(3 << 20, 'x');
    std::string bigOther = big;
    bigOther.back() = 'y';
    EXPECT_TRUE(set.Insert(big).added);
    EXPECT_TRUE(set.Insert("small after a big one").added);
    EXPECT_TRUE(set.Insert(bigOther).added);
    EXPECT_FALSE(set.Insert(big).added);
    EXPECT_FALSE(set.Insert(bigOther).added);
    EXPECT_FALSE(set.Insert("small after a big one").added);
    // Keys of 200 to 700 bytes fill many 1 MiB blocks; their lengths take two bytes each.
    for (int i = 0; i < 20000; ++i) {
        ASSERT_TRUE(set.Insert(std::string(200 + i % 500, 'k') + std::to_string(i)).added);
    }
    for (int i = 0; i < 20000; ++i) {
        ASSERT_FALSE(set.Insert(std::string(200 + i % 500, 'k') + std::to_string(i)).added);
    }
}

TEST(KeySet, AgreesWithAStandardMapWhileItGrowsAndKeepsEachKeysFirstTag) {
    std::mt19937 random(7);
    KeySet set;
    std::unordered_map<std::string, uint32_t> reference;
    for (uint32_t i = 0; i < 300000; ++i) {
        // Short keys from a small alphabet: many repeats and many near misses.
        std::string key(std::uniform_int_distribution<int>(0, 6)(random), 'a');
        for (char& c : key) c = static_cast<char>('a' + random() % 5);
        const auto [at, added] = reference.try_emplace(key, i);
        const KeySet::Entry entry = set.Insert(key, i);
        ASSERT_EQ(entry.added, added) << key;
        ASSERT_EQ(entry.tag, at->second) << key;
    }
    EXPECT_EQ(set.Size(), reference.size());
}

TEST(KeySet, HoldsAMillionKeysCompactlyAndClearGivesTheMemoryBack) {
    KeySet set;
    size_t bytes = 0;
    for (int i = 0; i < 1'000'000; ++i) {
        const std::string key = "name " + std::to_string(i) + ":10;city " + std::to_string(i % 997);
        bytes += key.size();
        ASSERT_TRUE(set.Insert(key).added);
    }
    EXPECT_EQ(set.Size(), 1'000'000u);
    EXPECT_EQ(set.KeyBytes(), bytes);
    EXPECT_FALSE(set.Insert("name 1:10;city 1").added);
    EXPECT_EQ(set.KeyBytes(), bytes);
    // The keys, a byte of length each, and 8 bytes a slot at most 70% full (x2 after growing).
    EXPECT_LT(set.MemoryBytes(), 2 * bytes + (16u << 20)) << set.MemoryBytes() << " for " << bytes;
    set.Clear();
    EXPECT_EQ(set.Size(), 0u);
    EXPECT_EQ(set.MemoryBytes(), 0u);
    EXPECT_EQ(set.KeyBytes(), 0u);
    EXPECT_TRUE(set.Insert("name 1:10;city 1").added);
}
