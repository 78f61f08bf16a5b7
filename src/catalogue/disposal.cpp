// SPDX-License-Identifier: MIT
#include "catalogue/disposal.h"

#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace pelmora {

namespace {

// One thread, started with the first large batch, frees batches in the
// order they came. At exit it finishes what it holds before it is joined,
// so that nothing is left unfreed.
class Disposer {
public:
    ~Disposer() {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_wake.notify_all();
        if (m_thread.joinable()) m_thread.join();
    }

    void take(MsgList& entries) {
        {
            std::lock_guard lock(m_mutex);
            m_batches.push_back(std::move(entries));
            if (!m_thread.joinable()) m_thread = std::thread([this] { run(); });
        }
        entries.clear();
        m_wake.notify_all();
    }

    void waitUntilIdle() {
        std::unique_lock lock(m_mutex);
        m_idle.wait(lock, [this] { return m_batches.empty() && !m_freeing; });
    }

private:
    void run() {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [this] { return m_stopping || !m_batches.empty(); });
            if (m_batches.empty()) return;  // stopping with nothing left
            std::vector<MsgList> batches;
            batches.swap(m_batches);
            m_freeing = true;
            lock.unlock();
            batches.clear();
            lock.lock();
            m_freeing = false;
            if (m_batches.empty()) m_idle.notify_all();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::vector<MsgList> m_batches;
    bool m_freeing = false;
    bool m_stopping = false;
    std::thread m_thread;
};

Disposer& disposer() {
    static Disposer instance;
    return instance;
}

// Below this many entries freeing on the spot costs less than a hand-over.
constexpr std::size_t kBackgroundFreeThreshold = 1000;

}  // namespace

void FreeInBackground(MsgList& entries) {
    if (entries.size() < kBackgroundFreeThreshold) {
        entries.clear();
        return;
    }
    disposer().take(entries);
}

void WaitForBackgroundFrees() {
    disposer().waitUntilIdle();
}

}  // namespace pelmora
