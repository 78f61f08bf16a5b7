// SPDX-License-Identifier: MIT
// Reading the entries of a large folder on several threads at once.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "catalogue/read_message.h"
#include "ports/progress.h"
#include "ports/prompts.h"

namespace pelmora {

// Message boxes for reader threads: each call is handed to the thread that
// owns the real boxes and waits there until the user has answered, so that
// a window system that allows dialogs on one thread only is never touched
// from another. The owner calls runPending() between its own work.
class MarshalledPrompts final : public ports::Prompts {
public:
    explicit MarshalledPrompts(ports::Prompts& target) : m_target(target) {}

    void information(const std::string& cp932) override;
    void warning(const std::string& cp932) override;
    void error(const std::string& cp932) override;
    bool confirmOkCancel(const std::string& cp932) override;
    bool confirmYesNo(const std::string& cp932) override;
    ports::Answer confirmYesCancelYesToAll(const std::string& cp932) override;
    std::optional<std::filesystem::path> chooseSaveFile(const ports::SaveFileRequest& request) override;

    // On the owning thread: shows what reader threads asked for, in order.
    void runPending();
    // Blocks the owning thread until a request arrives or the time passes.
    void waitForRequest(std::chrono::milliseconds timeout);
    // Wakes waitForRequest (a reader thread has finished).
    void notify();

private:
    template <typename Result>
    Result ask(std::function<Result(ports::Prompts&)> call);

    ports::Prompts& m_target;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::vector<std::function<void()>> m_pending;
    bool m_notified = false;
};

struct ParallelReadPorts {
    ports::Progress& progress;
    ports::Prompts& prompts;
    // Called on the calling thread between runs with the number of entries
    // read so far and the entry it reads next; without it the progress
    // position is set to the index of the last entry read.
    std::function<void(std::size_t done, const TMsgItem& next)> report{};
};

// Fewer entries than this are read on the calling thread alone: the
// threads would cost more than they save.
inline constexpr std::size_t kParallelReadThreshold = 2000;

// Readers a folder is read with by default, whatever the processors.
inline constexpr unsigned kReadsInFlight = 32;
// The most readers ever used, even when asked for more.
inline constexpr unsigned kMostReadThreads = 64;

// Whether `entries` entries are worth several threads when the caller asks
// for readThreads (0: the default number; 1: its own thread only).
inline bool ReadsInParallel(std::size_t entries, unsigned readThreads) {
    return entries >= kParallelReadThreshold && readThreads != 1;
}

// How many threads ReadEntriesInParallel uses for `entries` entries when
// asked for `threads` (0: the default above).
unsigned ParallelReadThreads(std::size_t entries, unsigned threads);

namespace parallel_detail {

// What the threads of one parallel reading share: the next entries to hand
// out, the count read, the stop and abort flags, the first failure, and the
// message boxes the owning thread shows for the others.
class SharedReading {
public:
    SharedReading(MsgList& list, const ParallelReadPorts& ports)
        : m_list(list), m_ports(ports), m_prompts(ports.prompts) {}

    // The next run of entries [first, last) for a reader; false once none is
    // left or the reading is to stop. The owner keeps the window and the
    // progress dialog going before each of its runs.
    bool nextRun(bool owner, std::size_t& first, std::size_t& last);
    bool stopping() const { return m_stop.load(std::memory_order_relaxed); }
    void runDone(std::size_t count) { m_done.fetch_add(count, std::memory_order_relaxed); }

    // The message boxes of the reader threads.
    ports::Prompts& readerPrompts() { return m_prompts; }
    // On a reader thread as it ends.
    void readerEnded();
    // The owner, once its own runs are over, until every reader has ended.
    void waitFor(unsigned readers);

    void fail(std::exception_ptr failure);
    std::exception_ptr failure();
    bool aborted() const { return m_aborted; }

private:
    bool tend();

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

template <typename ReadEntry>
void ReadRuns(SharedReading& reading, MsgList& list, ReaderContext& context, ReadEntry& read,
              unsigned thread) {
    std::size_t first = 0;
    std::size_t last = 0;
    while (reading.nextRun(thread == 0, first, last)) {
        for (std::size_t i = first; i < last; ++i) {
            if (reading.stopping()) return;
            read(list, i, context, thread);
        }
        reading.runDone(last - first);
    }
}

}  // namespace parallel_detail

// Completes every entry of list with read(list, index, context, thread), on
// the calling thread (thread 0, with the given context) and `threads - 1`
// more (0: kReadsInFlight, or one per processor if more), the calling thread
// reading one entry at a time and keeping the window alive (processEvents),
// the progress position and the abort flag between them. The other threads
// read with contexts of their own: their own line lists and folder handles,
// copies of the context's options, and message boxes that the calling thread
// shows. The context's own lines are left empty. False when the abort flag
// ended the reading. A failure of a reader ends all of them and is rethrown
// here.
template <typename ReadEntry>
bool ReadEntriesInParallel(MsgList& list, ReaderContext& context, ReadEntry&& read, ParallelReadPorts ports,
                           unsigned threads = 0) {
    if (list.empty()) return true;
    const unsigned readers = ParallelReadThreads(list.size(), threads) - 1;

    parallel_detail::SharedReading reading(list, ports);
    {
        std::vector<std::jthread> pool;
        pool.reserve(readers);
        for (unsigned i = 0; i < readers; ++i) {
            pool.emplace_back([&reading, &list, &context, &read, thread = i + 1] {
                try {
                    LineList lines;
                    ReaderContext own{lines, context.options, reading.readerPrompts()};
                    parallel_detail::ReadRuns(reading, list, own, read, thread);
                } catch (...) {
                    reading.fail(std::current_exception());
                }
                reading.readerEnded();
            });
        }
        try {
            parallel_detail::ReadRuns(reading, list, context, read, 0);
        } catch (...) {
            reading.fail(std::current_exception());
        }
        reading.waitFor(readers);
    }
    context.MsgLines.clear();
    if (std::exception_ptr failure = reading.failure()) std::rethrow_exception(failure);
    return !reading.aborted();
}

// The folder load's parallel reading: every entry with ReadMessage.
bool ReadEntriesInParallel(MsgList& list, ReaderContext& context, ParallelReadPorts ports,
                           unsigned threads = 0);

}  // namespace pelmora
