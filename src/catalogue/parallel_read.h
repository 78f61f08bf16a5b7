// SPDX-License-Identifier: MIT
// Reading the entries of a large folder on several threads at once.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <vector>

#include "message/read_message.h"
#include "ui/ports.h"

namespace pelmora {

// Message boxes for reader threads: each call is handed to the thread that
// owns the real boxes and waits there until the user has answered, so that
// a window system that allows dialogs on one thread only is never touched
// from another. The owner calls runPending() between its own work.
class MarshalledPrompts final : public ui::Prompts {
public:
    explicit MarshalledPrompts(ui::Prompts& target) : m_target(target) {}

    void information(const std::string& cp932) override;
    void warning(const std::string& cp932) override;
    void error(const std::string& cp932) override;
    bool confirmOkCancel(const std::string& cp932) override;
    bool confirmYesNo(const std::string& cp932) override;
    ui::Answer confirmYesCancelYesToAll(const std::string& cp932) override;
    std::optional<std::filesystem::path> chooseSaveFile(const ui::SaveFileRequest& request) override;

    // On the owning thread: shows what reader threads asked for, in order.
    void runPending();
    // Blocks the owning thread until a request arrives or the time passes.
    void waitForRequest(std::chrono::milliseconds timeout);
    // Wakes waitForRequest (a reader thread has finished).
    void notify();

private:
    template <typename Result>
    Result ask(std::function<Result(ui::Prompts&)> call);

    ui::Prompts& m_target;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::vector<std::function<void()>> m_pending;
    bool m_notified = false;
};

struct ParallelReadPorts {
    ui::Progress& progress;
    ui::Prompts& prompts;
    // Called on the calling thread between runs with the number of entries
    // read so far and the entry it reads next; without it the progress
    // position is set to the index of the last entry read.
    std::function<void(std::size_t done, const TMsgItem& next)> report{};
    // The search hooks of reader thread `index` (1 up to threads - 1); the
    // calling thread uses the context's own. Without it readers have none.
    std::function<SearchHooks*(unsigned index)> hooksFor{};
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

// Completes every entry of list with ReadMessage, on the calling thread and
// `threads - 1` more (0: kReadsInFlight, or one per processor if more),
// the calling thread reading one entry at a time and keeping the window
// alive (processEvents), the progress position and the abort flag between
// them. Readers use copies of the context's options and their own line
// lists; the context's own is left empty. False when the abort flag ended
// the reading. A failure of a reader ends all of them and is rethrown here.
bool ReadEntriesInParallel(MsgList& list, ReaderContext& context, ParallelReadPorts ports,
                           unsigned threads = 0);

// How many threads ReadEntriesInParallel uses for `entries` entries when
// asked for `threads` (0: the default above).
unsigned ParallelReadThreads(std::size_t entries, unsigned threads);

}  // namespace pelmora
