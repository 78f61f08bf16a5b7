// SPDX-License-Identifier: MIT
#include "catalogue/prefetch.h"

#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace pelmora {

namespace {

bool fetchFile(const TMsgItem& entry) {
    int fd;
    do {
        // Non-blocking: a pipe under a message file's name must not hold
        // the helper.
        fd = ::open(entry.FileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return false;
    // One byte read only if it is in the cache already.
    char byte;
    iovec part{&byte, 1};
    const bool cached = ::preadv2(fd, &part, 1, 0, RWF_NOWAIT) >= 0;
    if (!cached) ::posix_fadvise(fd, 0, 0, POSIX_FADV_WILLNEED);
    ::close(fd);
    return cached;
}

// The reader's place moves the helpers on only every so many files: waking
// them for each one would cost more than it saves.
constexpr std::size_t kWakeStep = 32;

}  // namespace

namespace {

std::vector<const TMsgItem*> inOrder(const MsgList& list, bool lastFirst) {
    std::vector<const TMsgItem*> order;
    order.reserve(list.size());
    for (const auto& entry : list) order.push_back(entry.get());
    if (lastFirst) std::reverse(order.begin(), order.end());
    return order;
}

}  // namespace

Prefetcher::Prefetcher(const MsgList& list, bool lastFirst, unsigned threads, Fetch fetch)
    : Prefetcher(inOrder(list, lastFirst), threads, std::move(fetch)) {}

Prefetcher::Prefetcher(std::vector<const TMsgItem*> order, unsigned threads, Fetch fetch)
    : m_order(std::move(order)), m_fetch(fetch ? std::move(fetch) : Fetch(fetchFile)) {
    if (m_order.size() < 2) return;
    m_helpers.reserve(threads);
    for (unsigned i = 0; i < threads; ++i) m_helpers.emplace_back([this] { help(); });
}

Prefetcher::~Prefetcher() {
    {
        std::lock_guard lock(m_mutex);
        m_stop.store(true, std::memory_order_relaxed);
    }
    m_wake.notify_all();
    m_helpers.clear();  // joins
}

void Prefetcher::reached(std::size_t place) {
    m_reached.store(place, std::memory_order_relaxed);
    if (place % kWakeStep == 0) {
        // Taken so that a helper that has just found itself too far ahead
        // cannot miss the wake-up.
        { std::lock_guard lock(m_mutex); }
        m_wake.notify_all();
    }
}

void Prefetcher::help() {
    const std::size_t count = m_order.size();
    for (;;) {
        const std::size_t place = m_next.fetch_add(1, std::memory_order_relaxed);
        if (place >= count) return;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [&] {
                return m_stop.load(std::memory_order_relaxed) ||
                       place < m_reached.load(std::memory_order_relaxed) + kLead;
            });
        }
        if (m_stop.load(std::memory_order_relaxed)) return;
        // Files the reader has passed are no use any more.
        if (place < m_reached.load(std::memory_order_relaxed)) continue;
        if (!m_fetch(*m_order[place])) {
            m_cachedInARow.store(0, std::memory_order_relaxed);
        } else if (m_cachedInARow.fetch_add(1, std::memory_order_relaxed) + 1 >= kWarmRun) {
            m_stop.store(true, std::memory_order_relaxed);
            return;
        }
    }
}

}  // namespace pelmora
