#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "app/core/GuardedProcedure.h"
#include "engine/DuplicateDetector.h"
#include "engine/DuplicateSearch.h"
#include "engine/KeySpool.h"
#include "engine/RowLabel.h"
#include "engine/RunLines.h"
#include "tests/support/MemoryKeyRows.h"
#include "tests/support/RecordingMessageBoxService.h"

using namespace tarnwick;
using engine::DuplicateSearch;
using test::MemoryKeyRows;
using Ids = std::vector<uint64_t>;

namespace {

struct Searched {
    DuplicateSearch::Found found;
    std::vector<int> failedLines;
    int yields = 0;
};

// One search as the run makes it, over rows from memory.
Searched Search(const MemoryKeyRows& rows, int64_t expectedRows,
                const engine::SearchChoices& choices = {}) {
    test::RecordingMessageBoxService boxes;
    app::GuardedProcedure proc("Form4.PushButton4_Click");
    Searched searched;
    DuplicateSearch search(proc, [&] { ++searched.yields; });
    searched.found =
        search.Search([&] { return std::make_unique<MemoryKeyRows>(rows); }, expectedRows, choices);
    searched.failedLines = proc.FailedLines();
    return searched;
}

// The rows that go by the plain definition: every row compared with every other row, field by
// field, NULL equal to empty text; of each group the first row (or the last) stays. Each row that
// goes with the id of the one that stays, in row order.
std::vector<std::pair<uint64_t, uint64_t>> QuadraticScan(
    const std::vector<MemoryKeyRows::Row>& rows, int fields,
    engine::KeepRow keep = engine::KeepRow::First) {
    const auto text = [](const MemoryKeyRows::Field& field) { return field.value_or(""); };
    const auto equal = [&](size_t i, size_t j) {
        for (size_t f = 0; f < static_cast<size_t>(fields); ++f)
            if (text(rows[i].fields[f]) != text(rows[j].fields[f])) return false;
        return true;
    };
    std::vector<std::pair<uint64_t, uint64_t>> going;  // kept id, removed id
    for (size_t i = 0; i < rows.size(); ++i) {
        size_t kept = i;
        for (size_t j = 0; j < rows.size(); ++j) {
            if (equal(i, j) && (keep == engine::KeepRow::First ? j < kept : j > kept)) kept = j;
        }
        if (kept != i) going.emplace_back(rows[kept].id, rows[i].id);
    }
    return going;
}

Ids Removed(const std::vector<std::pair<uint64_t, uint64_t>>& going) {
    Ids ids;
    for (const auto& pair : going) ids.push_back(pair.second);
    return ids;
}

}  // namespace

// Values that differ only in case, trailing blanks, where a field ends, or one byte of a long
// value are different; NULL and empty text are equal. The ids found are the rows' own, ascending.
TEST(DuplicateSearch, FindsTheLaterRowsOfEachGroupAsTheQuadraticScanDoes) {
    const std::string wide(100, 'w');  // past the bytes compared as they are: digested
    const std::vector<MemoryKeyRows::Field> values{
        std::nullopt, "", "a", "A", "a ", "a, b", "b, c", "b", "c", wide, wide + "x", "x" + wide};
    std::mt19937 random(20261209);
    for (int round = 0; round < 300; ++round) {
        const int fields = 1 + round % 3;
        const bool signedIds = round % 2 == 1;
        const auto alphabet = 1 + static_cast<size_t>(random() % values.size());
        std::vector<MemoryKeyRows::Row> rows;
        int64_t id = signedIds ? -1000 : 1;
        for (int r = static_cast<int>(random() % 60); r > 0; --r) {
            id += 1 + static_cast<int64_t>(random() % 5);
            MemoryKeyRows::Row row{static_cast<uint64_t>(id), {}};
            for (int f = 0; f < fields; ++f) row.fields.push_back(values[random() % alphabet]);
            rows.push_back(row);
        }
        const auto count = static_cast<int64_t>(rows.size());
        const Searched searched = Search(MemoryKeyRows(rows, fields, signedIds), count);
        ASSERT_TRUE(searched.failedLines.empty()) << "round " << round;
        EXPECT_TRUE(searched.found.complete);
        EXPECT_EQ(searched.found.rowsRead, count);
        EXPECT_EQ(searched.found.signedIds, signedIds);
        ASSERT_EQ(searched.found.laterIds, Removed(QuadraticScan(rows, fields)))
            << "round " << round;
        // The window is served before every row and every field.
        EXPECT_GE(searched.yields, count * (1 + fields));
    }
}

// Keeping the last row, groups and a report: each row that goes is reported once, with the row that
// stays and both labels, and the largest groups come with their kept rows' labels.
TEST(DuplicateSearch, KeepsTheFirstOrTheLastRowAndReportsEachRowThatGoes) {
    const std::vector<MemoryKeyRows::Field> values{std::nullopt, "", "a", "A", "a ", "b"};
    std::mt19937 random(91);
    for (int round = 0; round < 200; ++round) {
        const int fields = 1 + round % 2;
        const auto keep = round % 3 == 0 ? engine::KeepRow::First : engine::KeepRow::Last;
        std::vector<MemoryKeyRows::Row> rows;
        for (uint64_t id = 1; id < 2 + random() % 40; id += 1 + random() % 3) {
            MemoryKeyRows::Row row{id, {}};
            for (int f = 0; f < fields; ++f) row.fields.push_back(values[random() % values.size()]);
            row.fields.push_back("row " + std::to_string(id));  // the label
            rows.push_back(row);
        }
        std::vector<std::pair<uint64_t, uint64_t>> reported;
        engine::SearchChoices choices{
            keep, false, 2, [&](const engine::Removal& removal) {
                const auto kept = engine::row_label::Fields(removal.keptLabel);
                const auto gone = engine::row_label::Fields(removal.removedLabel);
                ASSERT_EQ(kept.size(), 1u);
                EXPECT_EQ(*kept[0], "row " + std::to_string(removal.keptId));
                EXPECT_EQ(*gone[0], "row " + std::to_string(removal.removedId));
                reported.emplace_back(removal.keptId, removal.removedId);
            }};
        const auto count = static_cast<int64_t>(rows.size());
        const Searched searched = Search(MemoryKeyRows(rows, fields, false, 1), count, choices);
        ASSERT_TRUE(searched.failedLines.empty()) << "round " << round;
        const auto expected = QuadraticScan(rows, fields, keep);
        ASSERT_EQ(searched.found.laterIds, Removed(expected)) << "round " << round;
        EXPECT_EQ(reported, expected) << "round " << round;

        // Groups: by kept id, how many rows each has.
        std::map<uint64_t, int64_t> groups;
        for (const auto& [kept, removed] : expected) groups[kept] += groups.count(kept) ? 1 : 2;
        EXPECT_EQ(searched.found.groups, static_cast<int64_t>(groups.size()));
        ASSERT_EQ(searched.found.largest.size(), std::min<size_t>(2, groups.size()));
        int64_t before = INT64_MAX;
        for (const auto& group : searched.found.largest) {
            EXPECT_EQ(group.rows, groups.at(group.keptId));
            EXPECT_LE(group.rows, before);
            before = group.rows;
            EXPECT_EQ(*engine::row_label::Fields(group.keptLabel).at(0),
                      "row " + std::to_string(group.keptId));
        }
    }
}

// A key that missed a field, a row that was not read, or rows out of order could make the wrong
// rows equal: then nothing is found to delete, and the step that failed is reported.
TEST(DuplicateSearch, FindsNothingToDeleteWhenTheReadingCannotBeTrusted) {
    const std::vector<MemoryKeyRows::Row> rows{
        {1, {"x"}}, {2, {"x"}}, {3, {"y"}}, {4, {"x"}}, {5, {"y"}}};
    using namespace engine::run_line;
    const auto expectNothing = [](const Searched& searched, const std::vector<int>& lines) {
        EXPECT_FALSE(searched.found.complete);
        EXPECT_TRUE(searched.found.laterIds.empty());
        EXPECT_EQ(searched.failedLines, lines);
    };
    EXPECT_EQ(Search(MemoryKeyRows(rows, 1), 5).found.laterIds, (Ids{2, 4, 5}));

    MemoryKeyRows lost(rows, 1);
    lost.failingFetch = 3;
    expectNothing(Search(lost, 5), {kRowLoop, kFindDuplicates});

    MemoryKeyRows unreadable(rows, 1);
    unreadable.failingField = 1;
    expectNothing(Search(unreadable, 5), {kAppendField, kFindDuplicates});

    // The copy made six rows, and only five were read.
    expectNothing(Search(MemoryKeyRows(rows, 1), 6), {kFindDuplicates});

    const std::vector<MemoryKeyRows::Row> unordered{{1, {"x"}}, {3, {"x"}}, {2, {"x"}}};
    expectNothing(Search(MemoryKeyRows(unordered, 1), 3), {kKeepKey, kFindDuplicates});
    // -1 comes after 5 as a signed id, before it as an unsigned one.
    const std::vector<MemoryKeyRows::Row> signedIds{{5, {"x"}}, {static_cast<uint64_t>(-1), {"x"}}};
    expectNothing(Search(MemoryKeyRows(signedIds, 1, true), 2), {kKeepKey, kFindDuplicates});
    EXPECT_EQ(Search(MemoryKeyRows(signedIds, 1, false), 2).found.laterIds,
              Ids{static_cast<uint64_t>(-1)});

    // The key query itself failed: its own report says so, and the loop over its rows is left.
    test::RecordingMessageBoxService boxes;
    app::GuardedProcedure proc("Form4.PushButton4_Click");
    DuplicateSearch search(proc, {});
    const auto found = search.Search(
        []() -> std::unique_ptr<engine::KeyRows> { throw std::runtime_error("Table is full"); }, 5);
    EXPECT_FALSE(found.complete);
    EXPECT_EQ(proc.FailedLines(), (std::vector<int>{kKeyQuery, kRowLoop}));
}

// Keys longer than the exact limit are kept as digests: keys that differ in one byte anywhere, or
// only in length, stay apart, equal ones are found, and the limit itself does not let a short key
// meet a long one.
TEST(DuplicateDetector, TellsLongKeysApartByEveryByteAndKeepsLittleOfThem) {
    using engine::DuplicateDetector;
    constexpr size_t kLimit = DuplicateDetector::kExactKeyBytes;
    const std::string wide(4096, 'x');
    std::string lastByte = wide;
    lastByte.back() = 'y';
    std::string firstByte = wide;
    firstByte.front() = 'y';
    const std::string atLimit(kLimit, 'x'), pastLimit(kLimit + 1, 'x');

    DuplicateDetector detector;
    const auto add = [&](std::string_view key) { return !detector.Add(detector.Keep(key)).first; };
    for (const std::string* key : std::initializer_list<const std::string*>{
             &wide, &lastByte, &firstByte, &atLimit, &pastLimit})
        EXPECT_FALSE(add(*key)) << key->size();
    EXPECT_FALSE(add(wide + 'x'));  // longer by one byte
    EXPECT_FALSE(add(std::string_view("a\0b", 3)));
    EXPECT_FALSE(add(std::string_view("a\0c", 3)));
    EXPECT_TRUE(add(lastByte));
    EXPECT_TRUE(add(pastLimit));
    EXPECT_TRUE(add(atLimit));
    EXPECT_TRUE(add(wide));
    EXPECT_TRUE(add(std::string_view("a\0b", 3)));
    EXPECT_EQ(detector.RowCount(), 13);
    // Five long keys of up to 4 KB, one of 64 bytes and two of 3: 70 bytes and five digests kept.
    EXPECT_EQ(detector.DistinctKeyBytes(), kLimit + 6 + 5 * 32);
}

// The spool gives back every record as it was written, across its buffer's edges and for keys
// and labels longer than the buffer.
TEST(KeySpool, GivesBackEveryRecordInOrder) {
    engine::KeySpool spool;
    std::vector<std::string> keys;
    for (int i = 0; i < 200000; ++i)
        keys.push_back(std::string(static_cast<size_t>(i % 97), static_cast<char>('a' + i % 26)));
    keys.push_back(std::string(3 << 20, 'z'));  // three times the buffer
    keys.push_back("");
    // Labels on some records: the keys of others, shifted.
    const auto label = [&](size_t i) { return i % 5 == 0 ? keys[(i + 1) % keys.size()] : ""; };
    for (size_t i = 0; i < keys.size(); ++i)
        spool.Append({UINT64_MAX - i, keys[i], i % 3 == 0, label(i)});
    EXPECT_EQ(spool.Records(), static_cast<int64_t>(keys.size()));
    for (int pass = 0; pass < 2; ++pass) {
        spool.Rewind();
        engine::KeySpool::Record record;
        for (size_t i = 0; i < keys.size(); ++i) {
            ASSERT_TRUE(spool.Next(record)) << i;
            ASSERT_EQ(record.id, UINT64_MAX - i);
            ASSERT_EQ(record.key, keys[i]) << i;
            ASSERT_EQ(record.digest, i % 3 == 0);
            ASSERT_EQ(record.label, label(i)) << i;
        }
        EXPECT_FALSE(spool.Next(record));
    }
}
