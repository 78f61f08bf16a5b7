// SPDX-License-Identifier: MIT
#include "catalogue/prefetch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace pelmora {
namespace {

MsgList numbered(std::size_t count) {
    MsgList list;
    for (std::size_t i = 0; i < count; ++i) {
        list.push_back(std::make_unique<TMsgItem>());
        list.back()->FileName = std::to_string(i);
    }
    return list;
}

// What the helpers were given, by list index.
struct Fetched {
    std::mutex mutex;
    std::set<std::size_t> indices;
    std::size_t count() {
        std::lock_guard lock(mutex);
        return indices.size();
    }
    // Waits until the helpers have settled at `expected`, or gives up.
    std::size_t settle(std::size_t expected) {
        for (int i = 0; i < 2500 && count() < expected; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return count();
    }
};

TEST(Prefetcher, StaysALeadAheadOfTheReaderInItsOrder) {
    const MsgList list = numbered(1000);
    Fetched fetched;
    Prefetcher ahead(list, true, 8, [&](const TMsgItem& entry) {
        std::lock_guard lock(fetched.mutex);
        fetched.indices.insert(std::stoul(entry.FileName));
        return false;
    });
    // The reader stands at its first file (the last of the list): the
    // helpers go no further than the lead, from the end of the list.
    EXPECT_EQ(fetched.settle(Prefetcher::kLead), Prefetcher::kLead);
    EXPECT_EQ(*fetched.indices.begin(), list.size() - Prefetcher::kLead);
    // Moved on by 64 files, they follow.
    ahead.reached(64);
    EXPECT_EQ(fetched.settle(Prefetcher::kLead + 64), Prefetcher::kLead + 64);
}

// A reader that reads some entries of a list (those a narrowing or an
// attachment removal will open) has exactly those fetched, in its order.
TEST(Prefetcher, FetchesTheGivenEntriesOnlyInTheirOrder) {
    const MsgList list = numbered(3000);
    std::vector<const TMsgItem*> order;
    std::set<std::size_t> expected;
    for (std::size_t i = list.size(); i-- > 0;) {
        if (i % 3 != 0) continue;
        order.push_back(list[i].get());
        if (expected.size() < Prefetcher::kLead) expected.insert(i);
    }
    Fetched fetched;
    Prefetcher ahead(order, 8, [&](const TMsgItem& entry) {
        std::lock_guard lock(fetched.mutex);
        fetched.indices.insert(std::stoul(entry.FileName));
        return false;
    });
    EXPECT_EQ(fetched.settle(Prefetcher::kLead), Prefetcher::kLead);
    EXPECT_EQ(fetched.indices, expected);
}

TEST(Prefetcher, StopsOnceTheFolderLooksCached) {
    const MsgList list = numbered(4000);
    std::atomic<std::size_t> calls{0};
    constexpr unsigned kHelpers = 8;
    {
        Prefetcher ahead(list, false, kHelpers, [&](const TMsgItem&) {
            ++calls;
            return true;
        });
        // The reader goes no faster than the helpers, as it would when
        // reading a file costs more than asking for one.
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        for (std::size_t place = 0; place < list.size(); ++place) {
            ahead.reached(place);
            while (calls.load() < std::min(place + 1, Prefetcher::kWarmRun) &&
                   std::chrono::steady_clock::now() < giveUp)
                std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
    }
    EXPECT_GE(calls.load(), Prefetcher::kWarmRun);
    EXPECT_LE(calls.load(), Prefetcher::kWarmRun + kHelpers);
}

}  // namespace
}  // namespace pelmora
