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
Result MarshalledPrompts::ask(std::function<Result(ports::Prompts&)> call) {
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
    ask<void>([&cp932](ports::Prompts& p) { p.information(cp932); });
}

void MarshalledPrompts::warning(const std::string& cp932) {
    ask<void>([&cp932](ports::Prompts& p) { p.warning(cp932); });
}

void MarshalledPrompts::error(const std::string& cp932) {
    ask<void>([&cp932](ports::Prompts& p) { p.error(cp932); });
}

bool MarshalledPrompts::confirmOkCancel(const std::string& cp932) {
    return ask<bool>([&cp932](ports::Prompts& p) { return p.confirmOkCancel(cp932); });
}

bool MarshalledPrompts::confirmYesNo(const std::string& cp932) {
    return ask<bool>([&cp932](ports::Prompts& p) { return p.confirmYesNo(cp932); });
}

ports::Answer MarshalledPrompts::confirmYesCancelYesToAll(const std::string& cp932) {
    return ask<ports::Answer>([&cp932](ports::Prompts& p) { return p.confirmYesCancelYesToAll(cp932); });
}

std::optional<std::filesystem::path> MarshalledPrompts::chooseSaveFile(
    const ports::SaveFileRequest& request) {
    return ask<std::optional<std::filesystem::path>>(
        [&request](ports::Prompts& p) { return p.chooseSaveFile(request); });
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

}  // namespace

namespace parallel_detail {

bool SharedReading::nextRun(bool owner, std::size_t& first, std::size_t& last) {
    if (owner && !tend()) return false;
    if (m_stop.load(std::memory_order_relaxed)) return false;
    // The owner takes one entry at a time: with many readers waiting on the
    // disk a run of its own would keep the window, the progress and the
    // abort waiting as long as the disk takes for the whole run.
    const std::size_t run = owner ? 1 : kRun;
    first = m_next.fetch_add(run, std::memory_order_relaxed);
    if (first >= m_list.size()) return false;
    last = std::min(m_list.size(), first + run);
    return true;
}

void SharedReading::readerEnded() {
    m_finished.fetch_add(1, std::memory_order_release);
    m_prompts.notify();
}

void SharedReading::waitFor(unsigned readers) {
    while (m_finished.load(std::memory_order_acquire) < readers) {
        m_prompts.waitForRequest(std::chrono::milliseconds(20));
        tend();
    }
    m_prompts.runPending();
}

void SharedReading::fail(std::exception_ptr failure) {
    {
        std::lock_guard lock(m_failureMutex);
        if (!m_failure) m_failure = std::move(failure);
    }
    m_stop.store(true, std::memory_order_relaxed);
}

std::exception_ptr SharedReading::failure() {
    std::lock_guard lock(m_failureMutex);
    return m_failure;
}

// False once the reading is to stop.
bool SharedReading::tend() {
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

}  // namespace parallel_detail

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
    return ReadEntriesInParallel(
        list, context,
        [](MsgList& entries, std::size_t index, ReaderContext& reader, unsigned) {
            ReadMessage(entries, index, reader);
        },
        ports, threads);
}

}  // namespace pelmora
