#include <gtest/gtest.h>

#include "tests/support/QtPrinting.h"

#include "engine/DuplicateFinder.h"
#include "tests/support/VectorItemList.h"

using namespace tarnwick::engine;
using tarnwick::test::VectorItemList;
using Positions = std::vector<int32_t>;

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
