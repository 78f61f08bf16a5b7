// SPDX-License-Identifier: MIT
// Files a reader that takes one message at a time will open soon, handed
// to the kernel ahead of it. A search that may stop to ask about a message
// reads the folder on one thread, in order; on a folder that is not in the
// page cache each file would then wait on the disk in turn, while the disk
// answers many requests at once far sooner. Helper threads open the next
// files and ask for their pages (without waiting for them), never more than
// a set number of files ahead of the reader. Once a long run of files was
// found cached already, the folder is taken to be in the cache and the
// helpers stop.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "message/msg_item.h"

namespace pelmora {

class Prefetcher {
public:
    // What a helper does with one entry's file: true when its pages were in
    // the cache already. The default opens the file, and unless its first
    // page is cached asks the kernel to read it all (POSIX_FADV_WILLNEED).
    using Fetch = std::function<bool(const TMsgItem&)>;

    static constexpr std::size_t kLead = 256;     // files ahead of the reader at most
    static constexpr std::size_t kWarmRun = 512;  // cached files in a row that stop the helpers

    // The entries of list, read from the last to the first when lastFirst.
    // The list must not change until the prefetcher is gone.
    Prefetcher(const MsgList& list, bool lastFirst, unsigned threads, Fetch fetch = {});
    // The entries in the order the reader reads them, where it reads only
    // some of a list (the entries must stay until the prefetcher is gone).
    Prefetcher(std::vector<const TMsgItem*> order, unsigned threads, Fetch fetch = {});
    ~Prefetcher();
    Prefetcher(const Prefetcher&) = delete;
    Prefetcher& operator=(const Prefetcher&) = delete;

    // The reader is about to read the file at this place of the order
    // (0 for the first it reads).
    void reached(std::size_t place);

private:
    void help();

    const std::vector<const TMsgItem*> m_order;
    Fetch m_fetch;
    std::atomic<std::size_t> m_next{0};
    std::atomic<std::size_t> m_reached{0};
    std::atomic<std::size_t> m_cachedInARow{0};
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::vector<std::jthread> m_helpers;
};

}  // namespace pelmora
