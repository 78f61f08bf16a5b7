// SPDX-License-Identifier: MIT
#include "catalogue/parallel_read.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <future>
#include <thread>
#include <type_traits>

namespace pelmora {

template <typename Result>
Result MarshalledPrompts::ask(std::function<Result(ui::Prompts&)> call) {
    std::promise<Result> answer;
    std::future<Result> future = answer.get_future();
    {
        std::lock_guard lock(m_mutex);
        m_pending.emplace_back([this, &call, &answer] {
            try {
                if constexpr (std::is_void_v<Result>) {
                    call(m_target);
                    answer.set_value();
                } else {
                    answer.set_value(call(m_target));
                }
            } catch (...) {
                answer.set_exception(std::current_exception());
            }
        });
    }
    m_wake.notify_all();
    return future.get();
}

void MarshalledPrompts::information(const std::string& cp932) {
    ask<void>([&cp932](ui::Prompts& p) { p.information(cp932); });
}

void MarshalledPrompts::warning(const std::string& cp932) {
    ask<void>([&cp932](ui::Prompts& p) { p.warning(cp932); });
}

void MarshalledPrompts::error(const std::string& cp932) {
    ask<void>([&cp932](ui::Prompts& p) { p.error(cp932); });
}

bool MarshalledPrompts::confirmOkCancel(const std::string& cp932) {
    return ask<bool>([&cp932](ui::Prompts& p) { return p.confirmOkCancel(cp932); });
}

bool MarshalledPrompts::confirmYesNo(const std::string& cp932) {
    return ask<bool>([&cp932](ui::Prompts& p) { return p.confirmYesNo(cp932); });
}

ui::Answer MarshalledPrompts::confirmYesCancelYesToAll(const std::string& cp932) {
    return ask<ui::Answer>([&cp932](ui::Prompts& p) { return p.confirmYesCancelYesToAll(cp932); });
}

std::optional<std::filesystem::path> MarshalledPrompts::chooseSaveFile(const ui::SaveFileRequest& request) {
    return ask<std::optional<std::filesystem::path>>(
        [&request](ui::Prompts& p) { return p.chooseSaveFile(request); });
}

void MarshalledPrompts::runPending() {
    std::vector<std::function<void()>> batch;
    {
        std::lock_guard lock(m_mutex);
        batch.swap(m_pending);
    }
    for (auto& request : batch) request();
}

void MarshalledPrompts::waitForRequest(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    m_wake.wait_for(lock, timeout, [this] { return !m_pending.empty() || m_notified; });
    m_notified = false;
}

void MarshalledPrompts::notify() {
    {
        std::lock_guard lock(m_mutex);
        m_notified = true;
    }
    m_wake.notify_all();
}

namespace {

// Entries are handed out in runs: one counter step per run rather than per
// message, and neighbouring files stay together on one thread.
constexpr std::size_t kRun = 64;

class SharedReading {
public:
    SharedReading(MsgList& list, const ParallelReadPorts& ports)
        : m_list(list), m_ports(ports), m_prompts(ports.prompts) {}

    // Reads runs until none is left or the reading stops. The owning
    // thread also keeps the window and the progress dialog going.
    void readRuns(ReaderContext& reader, bool owner) {
        for (;;) {
            if (owner && !tend()) return;
            if (m_stop.load(std::memory_order_relaxed)) return;
            // The owner takes one entry at a time: with many readers waiting
            // on the disk a run of its own would keep the window, the
            // progress and the abort waiting as long as the disk takes for
            // the whole run.
            const std::size_t run = owner ? 1 : kRun;
            const std::size_t first = m_next.fetch_add(run, std::memory_order_relaxed);
            if (first >= m_list.size()) return;
            const std::size_t last = std::min(m_list.size(), first + run);
            for (std::size_t i = first; i < last; ++i) {
                if (m_stop.load(std::memory_order_relaxed)) return;
                ReadMessage(m_list, i, reader);
            }
            m_done.fetch_add(last - first, std::memory_order_relaxed);
        }
    }

    // One reader thread: its own lines, the owner's options, prompts that
    // are shown by the owner.
    void readerThread(const ReaderOptions& options, SearchHooks* hooks) {
        try {
            LineList lines;
            ReaderContext reader{lines, options, m_prompts, hooks};
            readRuns(reader, false);
        } catch (...) {
            fail(std::current_exception());
        }
        m_finished.fetch_add(1, std::memory_order_release);
        m_prompts.notify();
    }

    // The owner, once its own runs are over, until every reader has ended.
    void waitFor(unsigned readers) {
        while (m_finished.load(std::memory_order_acquire) < readers) {
            m_prompts.waitForRequest(std::chrono::milliseconds(20));
            tend();
        }
        m_prompts.runPending();
    }

    void fail(std::exception_ptr failure) {
        {
            std::lock_guard lock(m_failureMutex);
            if (!m_failure) m_failure = std::move(failure);
        }
        m_stop.store(true, std::memory_order_relaxed);
    }

    std::exception_ptr failure() {
        std::lock_guard lock(m_failureMutex);
        return m_failure;
    }
    bool aborted() const { return m_aborted; }

private:
    // False once the reading is to stop.
    bool tend() {
        m_prompts.runPending();
        m_ports.progress.processEvents();
        if (m_ports.progress.abortRequested()) {
            m_aborted = true;
            m_stop.store(true, std::memory_order_relaxed);
        }
        const std::size_t done = m_done.load(std::memory_order_relaxed);
        if (m_ports.report) {
            const std::size_t next = std::min(m_next.load(std::memory_order_relaxed), m_list.size() - 1);
            m_ports.report(done, *m_list[next]);
        } else if (done > 0) {
            m_ports.progress.setPosition(static_cast<int>(done - 1));
        }
        return !m_stop.load(std::memory_order_relaxed);
    }

    MsgList& m_list;
    const ParallelReadPorts& m_ports;
    MarshalledPrompts m_prompts;
    std::atomic<std::size_t> m_next{0};
    std::atomic<std::size_t> m_done{0};
    std::atomic<unsigned> m_finished{0};
    std::atomic<bool> m_stop{false};
    bool m_aborted = false;  // the owner's alone
    std::mutex m_failureMutex;
    std::exception_ptr m_failure;
};

}  // namespace

unsigned ParallelReadThreads(std::size_t entries, unsigned threads) {
    // A folder whose files are not in the page cache is read at the pace of
    // the disk, which answers many requests at once far sooner than one
    // after another (a virtual or network disk especially): so more readers
    // than processors, each mostly waiting. With the files cached they cost
    // next to nothing more than one reader per processor would.
    if (threads == 0) threads = std::max(kReadsInFlight, std::thread::hardware_concurrency());
    threads = std::min(threads, kMostReadThreads);
    return 1 + static_cast<unsigned>(std::min<std::size_t>(threads - 1, entries / kRun));
}

bool ReadEntriesInParallel(MsgList& list, ReaderContext& context, ParallelReadPorts ports, unsigned threads) {
    if (list.empty()) return true;
    const unsigned readers = ParallelReadThreads(list.size(), threads) - 1;

    SharedReading reading(list, ports);
    {
        std::vector<std::jthread> pool;
        pool.reserve(readers);
        for (unsigned i = 0; i < readers; ++i) {
            SearchHooks* hooks = ports.hooksFor ? ports.hooksFor(i + 1) : nullptr;
            pool.emplace_back([&reading, &context, hooks] { reading.readerThread(context.options, hooks); });
        }
        try {
            reading.readRuns(context, true);
        } catch (...) {
            reading.fail(std::current_exception());
        }
        reading.waitFor(readers);
    }
    context.MsgLines.clear();
    if (std::exception_ptr failure = reading.failure()) std::rethrow_exception(failure);
    return !reading.aborted();
}

}  // namespace pelmora
