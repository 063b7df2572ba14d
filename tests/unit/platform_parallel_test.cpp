// The parallel runtime as the plug-in uses it (twinlink/parallel.h, twinlink/concurrent.h): every
// item visited once, the containers' operations from many threads at once, and an accessor's
// hold on its element. The same tests run on oneTBB (main build) and on the threads runtime
// (ThreadSanitizer and Windows builds), so both give what the plug-in relies on.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <numeric>
#include <set>
#include <thread>
#include <vector>

#include "twinlink/concurrent.h"
#include "twinlink/parallel.h"

namespace {

using twinlink::concurrent::HashMap;
using twinlink::concurrent::UnorderedSet;
using twinlink::concurrent::Vector;

constexpr int kThreads = 4;

// Runs body(t) on kThreads threads at once.
void OnThreads(const std::function<void(int)>& body) {
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) threads.emplace_back(body, t);
    for (std::thread& thread : threads) thread.join();
}

TEST(ParallelLoopTest, ForVisitsEveryIndexOnce) {
    std::vector<std::atomic<int>> visits(1000);
    twinlink::parallel::For(visits.size(), [&](size_t i) { ++visits[i]; });
    for (size_t i = 0; i < visits.size(); ++i) ASSERT_EQ(visits[i].load(), 1) << i;
}

TEST(ParallelLoopTest, LoopsInsideLoopsVisitEveryLeafOnce) {
    // Four levels of eight, as a scene tree runs its children's children in parallel.
    std::vector<std::atomic<int>> visits(8 * 8 * 8 * 8);
    std::function<void(size_t, int)> level = [&](size_t prefix, int depth) {
        twinlink::parallel::For(8, [&](size_t i) {
            if (depth == 3) ++visits[prefix * 8 + i];
            else level(prefix * 8 + i, depth + 1);
        });
    };
    level(0, 0);
    for (size_t i = 0; i < visits.size(); ++i) ASSERT_EQ(visits[i].load(), 1) << i;
}

TEST(ParallelLoopTest, ForEachVisitsEveryItemOfASetOnce) {
    UnorderedSet<uint32_t> ids;
    for (uint32_t id = 1; id <= 500; ++id) ids.insert(id * 3);
    std::atomic<uint64_t> sum{0};
    std::atomic<int> count{0};
    twinlink::parallel::ForEach(ids, [&](uint32_t id) {
        sum += id;
        ++count;
    });
    EXPECT_EQ(count.load(), 500);
    EXPECT_EQ(sum.load(), 3u * 500 * 501 / 2);
}

TEST(ParallelLoopTest, InvokeRunsBothTasks) {
    int a = 0, b = 0;
    twinlink::parallel::Invoke([&] { a = 1; }, [&] { b = 2; });
    EXPECT_EQ(a + b, 3);
}

TEST(ConcurrentSetTest, InsertsFromManyThreadsKeepEachValueOnce) {
    UnorderedSet<uint32_t> set(8);
    set.max_load_factor(4.0f);
    // Overlapping ranges: every value in [0, 1300) is inserted by one to four threads.
    OnThreads([&](int t) {
        for (uint32_t v = t * 100u; v < 1000u + t * 100u; ++v) set.insert(v);
    });
    EXPECT_EQ(set.size(), 1300u);
    EXPECT_EQ(set.count(0), 1u);
    EXPECT_EQ(set.count(1299), 1u);
    EXPECT_EQ(set.count(1300), 0u);
    std::set<uint32_t> seen(set.begin(), set.end());
    EXPECT_EQ(seen.size(), 1300u);
    EXPECT_EQ(*seen.rbegin(), 1299u);

    set.unsafe_erase(7);
    EXPECT_EQ(set.count(7), 0u);
    EXPECT_EQ(set.size(), 1299u);
    set.clear();
    EXPECT_TRUE(set.empty());
}

TEST(ConcurrentSetTest, CountFindsEachInsertWhileOthersInsert) {
    // Each thread looks up its own values and its neighbour's while all insert, as a sync
    // pass's tasks look up dirty materials while others mark more.
    UnorderedSet<uint32_t> set;
    std::atomic<int> ownFound{0};
    std::atomic<int> neighbourFound{0};
    OnThreads([&](int t) {
        for (uint32_t v = 0; v < 500; ++v) {
            set.insert(t * 1000 + v);
            ownFound += static_cast<int>(set.count(t * 1000 + v));
            neighbourFound += static_cast<int>(set.count(((t + 1) % kThreads) * 1000 + v));
        }
    });
    EXPECT_EQ(ownFound.load(), kThreads * 500);
    EXPECT_LE(neighbourFound.load(), kThreads * 500);
    EXPECT_EQ(set.size(), static_cast<size_t>(kThreads * 500));
}

TEST(ConcurrentVectorTest, AppendsFromManyThreadsKeepEveryItem) {
    Vector<int> values;
    OnThreads([&](int t) {
        for (int v = 0; v < 1000; ++v) values.push_back(t * 1000 + v);
    });
    ASSERT_EQ(values.size(), static_cast<size_t>(kThreads * 1000));
    std::vector<int> sorted(values.begin(), values.end());
    std::sort(sorted.begin(), sorted.end());
    std::vector<int> expected(kThreads * 1000);
    std::iota(expected.begin(), expected.end(), 0);
    EXPECT_EQ(sorted, expected);

    Vector<int> moved = std::move(values);
    EXPECT_EQ(moved.size(), static_cast<size_t>(kThreads * 1000));
}

using Table = HashMap<uint32_t, std::vector<uint32_t>>;

TEST(ConcurrentHashMapTest, InsertFindAndEraseAnswerAsTheSectionTablesExpect) {
    Table table;
    EXPECT_TRUE(table.insert({5, {50}}));
    EXPECT_FALSE(table.insert({5, {99}}));  // the first value stays
    {
        Table::const_accessor entry;
        ASSERT_TRUE(table.find(entry, 5));
        EXPECT_EQ(entry->first, 5u);
        EXPECT_EQ(entry->second, std::vector<uint32_t>{50});
        Table::const_accessor missing;
        EXPECT_FALSE(table.find(missing, 6));
    }
    {
        Table::accessor entry;
        EXPECT_TRUE(table.insert(entry, 6));  // made, with an empty value
        EXPECT_TRUE(entry->second.empty());
        entry->second.push_back(60);
    }
    {
        Table::accessor entry;
        EXPECT_FALSE(table.insert(entry, 6));  // already there: the same element
        EXPECT_EQ(entry->second, std::vector<uint32_t>{60});
        EXPECT_TRUE(table.erase(entry));
    }
    Table::const_accessor gone;
    EXPECT_FALSE(table.find(gone, 6));

    std::set<uint32_t> keys;
    for (auto& [key, value] : table) keys.insert(key);
    EXPECT_EQ(keys, std::set<uint32_t>{5});
    table.clear();
    EXPECT_FALSE(table.find(gone, 5));
}

TEST(ConcurrentHashMapTest, AnAccessorHoldsItsElementAlone) {
    // Unsynchronised read-modify-writes of the value: any two holders at once lose an update
    // (and ThreadSanitizer reports the race).
    HashMap<uint32_t, uint64_t> table;
    OnThreads([&](int) {
        for (int i = 0; i < 2000; ++i) {
            HashMap<uint32_t, uint64_t>::accessor entry;
            table.insert(entry, static_cast<uint32_t>(i % 3));
            entry->second = entry->second + 1;
        }
    });
    uint64_t total = 0;
    for (const auto& [key, count] : table) total += count;
    EXPECT_EQ(total, uint64_t{kThreads} * 2000);
}

TEST(ConcurrentHashMapTest, ThreadsWaitingForAnElementThatIsErasedFindItGone) {
    // Every thread adds one to a key's count and erases the element at the third addition,
    // banking its count. A thread that waited for an erased element must not add to it: each
    // addition ends up either banked or in a count still held.
    HashMap<uint32_t, uint32_t> table;
    std::atomic<uint64_t> banked{0};
    OnThreads([&](int) {
        for (int i = 0; i < 3000; ++i) {
            HashMap<uint32_t, uint32_t>::accessor entry;
            table.insert(entry, static_cast<uint32_t>(i % 2));
            if (++entry->second == 3) {
                banked += entry->second;
                table.erase(entry);
            }
        }
    });
    uint64_t held = 0;
    for (const auto& [key, count] : table) held += count;
    EXPECT_EQ(banked.load() + held, uint64_t{kThreads} * 3000);
}

TEST(ConcurrentHashMapTest, ReadersOfOneElementAndWritersOfOthersWorkAtOnce) {
    HashMap<uint32_t, uint32_t> table;
    for (uint32_t key = 0; key < 8; ++key) table.insert({key, key * 10});
    std::atomic<int> wrong{0};
    OnThreads([&](int t) {
        for (int i = 0; i < 2000; ++i) {
            if (t % 2 == 0) {
                HashMap<uint32_t, uint32_t>::const_accessor entry;
                if (!table.find(entry, 0) || entry->second != 0) ++wrong;
            } else {
                HashMap<uint32_t, uint32_t>::accessor entry;
                if (table.find(entry, 1 + (i % 7))) entry->second += 1;
            }
        }
    });
    EXPECT_EQ(wrong.load(), 0);
    uint64_t added = 0;
    for (const auto& [key, value] : table)
        if (key != 0) added += value - key * 10;
    EXPECT_EQ(added, uint64_t{kThreads / 2} * 2000);
}

}  // namespace
