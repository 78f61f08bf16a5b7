// SPDX-License-Identifier: MIT
// The folder load against its floor, warm and cold. For each corpus size it
// times, in child processes so that each has its own peak memory, the floor
// program (open, stat, read the header block or up to the second boundary,
// close) on one thread, on as many threads as the load reads with, and on
// many threads (the most reads in flight the disk can use), and the GUI's
// load path (LoadFolder: scan, ReadMessage for every entry, ResortList) on
// one thread and as the program runs it. Warm: after one run of each, best
// of --runs. Cold: the page cache is dropped before every run (as root; the
// output says when it cannot be). Then it times column-click sorts and the
// duplicate check of the largest list in this process.
//
// usage: load_bench [--sizes=10000,100000] [--dir=FOLDER] [--runs=N]
//                   [--cold-runs=N] [--many=THREADS]
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "catalogue/disposal.h"
#include "catalogue/duplicates.h"
#include "catalogue/load.h"
#include "catalogue/ordering.h"
#include "catalogue/parallel_read.h"
#include "catalogue/scan.h"
#include "cli/terminal_ports.h"
#include "common/load_corpus.h"
#include "common/timing.h"

namespace {

namespace fs = std::filesystem;
using pelmora::bench::RunResult;
using Clock = std::chrono::steady_clock;
using namespace pelmora;

// The GUI's path over the terminal ports, with the window's reader
// options: what one folder load costs.
std::size_t loadFolder(const fs::path& folder, MsgList& list, cli::TerminalListView& view,
                       unsigned threads = 0) {
    cli::TerminalStatusBar status;
    cli::TerminalProgress progress;
    cli::TerminalPrompts prompts;
    cli::TerminalBusyCursor cursor;
    LoadFolderPorts ports{view, status, progress, prompts, cursor};
    LineList lines;
    ReaderOptions options;
    options.KeepRawAddresses = false;
    ReaderContext reader{lines, options, prompts};
    LoadFolder(folder, list, ports, reader, Subfolders::No, threads);
    return list.size();
}

double cpuMillisNow() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

void benchSorts(const fs::path& folder) {
    cli::TerminalListView view;
    MsgList list;
    loadFolder(folder, list, view);
    view.setRowCount(static_cast<int>(list.size()));
    std::printf("\ncolumn-click sorts of %zu rows (ms CPU, best of 3):\n", list.size());
    struct Click {
        const char* what;
        int column;
    };
    // Main view columns: 0 sender, 1 recipients, 2 subject, 3 sent, 4 received, 5 size.
    const Click clicks[] = {{"subject ascending", 2},  {"subject descending", 2},  {"sender ascending", 0},
                            {"received ascending", 4}, {"received descending", 4}, {"size ascending", 5}};
    // Each click is measured from the same starting order (received date,
    // as a load leaves it), three times.
    auto timeClick = [&](const char* what, int column) {
        double bestMs = 1e300;
        for (int round = 0; round < 3; ++round) {
            ResortList(view, KeyReceived, list);
            // One click sorts: a new column ascending, the sorted one flipped.
            bool descending = std::string_view(what).ends_with("descending");
            view.setSortKey(descending ? view.columnKey(column) : 0);
            double start = cpuMillisNow();
            ProcLV1ColumnClick(view, column, list);
            bestMs = std::min(bestMs, cpuMillisNow() - start);
        }
        std::printf("  %-30s %8.1f\n", what, bestMs);
    };
    for (const Click& click : clicks) timeClick(click.what, click.column);
    for (int row = 0; row < view.rowCount(); row += 10) view.setSelected(row, true);
    timeClick("subject, 10% rows selected", 2);

    // The duplicate check reduces the list it is given: each round works on
    // a fresh copy, made outside the time. The entries it lets go are freed
    // on a thread of their own, so the calling thread's time and the wall
    // time are what the user waits for.
    double bestMs = 1e300, bestWallMs = 1e300;
    std::size_t left = 0;
    for (int round = 0; round < 3; ++round) {
        MsgList copy;
        copy.reserve(list.size());
        for (const auto& entry : list) copy.push_back(std::make_unique<TMsgItem>(*entry));
        cli::TerminalListView dupView;
        dupView.setRowCount(static_cast<int>(copy.size()));
        cli::TerminalStatusBar status;
        cli::TerminalBusyCursor cursor;
        DupcheckPorts ports{dupView, status, cursor, nullptr, {}};
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        const double start = static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
        const auto wallStart = Clock::now();
        ProcDupcheck1Click(ports, copy);
        bestWallMs =
            std::min(bestWallMs, std::chrono::duration<double, std::milli>(Clock::now() - wallStart).count());
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        bestMs = std::min(bestMs,
                          static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6 - start);
        left = copy.size();
        WaitForBackgroundFrees();  // not to compete with the next round
    }
    std::printf(
        "\nduplicate check of %zu loaded rows (best of 3; target < 100 ms): %.1f ms CPU, %.1f ms wall, %zu "
        "rows kept\n",
        list.size(), bestMs, bestWallMs, left);
}

// Drops the page cache, dentries and inodes so that the next run reads from
// the disk; false when this process may not (not root).
bool dropCaches() {
    ::sync();
    std::FILE* f = std::fopen("/proc/sys/vm/drop_caches", "w");
    if (f == nullptr) return false;
    const bool ok = std::fputs("3\n", f) >= 0;
    return std::fclose(f) == 0 && ok;
}

}  // namespace

struct Row {
    std::string what;
    RunResult result;
};

void printRows(const std::vector<Row>& rows, double count) {
    const double us = 1e6 / count;
    std::printf("    %-44s %10s %10s %8s\n", "", "CPU/msg", "wall/msg", "peak MB");
    for (const Row& row : rows)
        std::printf("    %-44s %8.2fus %8.2fus %8.1f\n", row.what.c_str(), row.result.cpuSeconds * us,
                    row.result.seconds * us, row.result.peakMB);
}

// target 0: shown for comparison only.
void printRatio(const char* what, double value, double target = 0) {
    if (target <= 0)
        std::printf("    %-62s %6.2f\n", what, value);
    else
        std::printf("    %-62s %6.2f  (target <= %.1f: %s)\n", what, value, target,
                    value <= target ? "holds" : "misses");
}

int main(int argc, char** argv) {
    std::vector<std::size_t> sizes = {10000, 100000};
    fs::path base = fs::temp_directory_path() / "pelmora-load-bench";
    int runs = 3;
    int coldRuns = 1;
    unsigned many = 32;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--child-load" && i + 2 < argc) {
            cli::TerminalListView view;
            MsgList list;
            const auto threads = static_cast<unsigned>(std::stoul(argv[i + 2]));
            // Freeing the list belongs to the next load, not to this one.
            std::_Exit(loadFolder(argv[i + 1], list, view, threads) > 0 ? 0 : 1);
        }
        if (a.starts_with("--sizes=")) {
            sizes.clear();
            for (std::size_t pos = 8; pos < a.size();) {
                std::size_t comma = a.find(',', pos);
                sizes.push_back(std::stoul(a.substr(pos, comma - pos)));
                pos = comma == std::string::npos ? a.size() : comma + 1;
            }
        } else if (a.starts_with("--dir=")) {
            base = a.substr(6);
        } else if (a.starts_with("--runs=")) {
            runs = std::max(1, std::stoi(a.substr(7)));
        } else if (a.starts_with("--cold-runs=")) {
            coldRuns = std::max(0, std::stoi(a.substr(12)));
        } else if (a.starts_with("--many=")) {
            many = static_cast<unsigned>(std::max(1, std::stoi(a.substr(7))));
        }
    }
    const std::string self = fs::canonical("/proc/self/exe").string();
    const bool canDrop = coldRuns == 0 || dropCaches();

    std::printf(
        "Per message; CPU is user + system time of the whole process, wall is what the user waits for.\n"
        "The floor opens, stats and reads what the list needs of each file, nothing more. %u processors.\n"
        "Warm: best of %d runs after one run of each. Cold: the caches are dropped before each run, best of "
        "%d.\n",
        std::max(1u, std::thread::hardware_concurrency()), runs, coldRuns);
    if (!canDrop)
        std::printf(
            "NOTE: the page cache could not be dropped (not root?): the cold figures below are warm.\n");
    for (std::size_t count : sizes) {
        fs::path folder = base / std::to_string(count);
        bench::EnsureLoadCorpus(folder, count);
        const unsigned readers = ReadsInParallel(count, 0) ? ParallelReadThreads(count, 0) : 1;
        const std::string readersArg = "--threads=" + std::to_string(readers);
        const std::string processorsArg = std::to_string(std::max(1u, std::thread::hardware_concurrency()));
        const std::string manyArg = "--threads=" + std::to_string(many);
        auto floorRun = [&](const std::string& threadsArg) {
            return bench::RunChild({PELMORA_LOAD_FLOOR, "--stat", threadsArg, folder.string()});
        };
        auto loadRun = [&](const char* threads) {
            return bench::RunChild({self, "--child-load", folder.string(), threads});
        };
        auto measure = [&](bool cold, int n) {
            std::vector<RunResult> floor1, floorN, floorMany, load1, loadP, loadN;
            auto prepare = [&] {
                if (cold) dropCaches();
            };
            for (int r = 0; r < n; ++r) {
                prepare(), floor1.push_back(floorRun("--threads=1"));
                prepare(), floorN.push_back(floorRun(readersArg));
                prepare(), floorMany.push_back(floorRun(manyArg));
                prepare(), load1.push_back(loadRun("1"));
                prepare(), loadP.push_back(loadRun(processorsArg.c_str()));
                prepare(), loadN.push_back(loadRun("0"));
            }
            return std::vector<RunResult>{bench::Best(floor1), bench::Best(floorN), bench::Best(floorMany),
                                          bench::Best(load1),  bench::Best(loadN),  bench::Best(loadP)};
        };
        auto report = [&](const char* title, const std::vector<RunResult>& r, bool cold) {
            std::printf("\n%zu messages, %s:\n", count, title);
            printRows({{"floor, 1 thread", r[0]},
                       {"floor, " + std::to_string(readers) + " threads (as the load)", r[1]},
                       {"floor, " + std::to_string(many) + " threads", r[2]},
                       {"load, 1 thread", r[3]},
                       {"load, " + std::to_string(readers) + " readers (as the program runs)", r[4]},
                       {"load, " + processorsArg + " readers (one per processor)", r[5]}},
                      static_cast<double>(count));
            const RunResult bestFloor = r[1].seconds < r[2].seconds ? r[1] : r[2];
            if (cold) {
                printRatio("load wall / best floor wall (many reads in flight)",
                           r[4].seconds / bestFloor.seconds, 1.3);
                printRatio("load wall / floor wall on 1 thread", r[4].seconds / r[0].seconds);
                printRatio("load wall, one reader per processor / best floor wall",
                           r[5].seconds / bestFloor.seconds);
            } else {
                printRatio("load CPU (program's readers) / floor CPU on 1 thread",
                           r[4].cpuSeconds / r[0].cpuSeconds, 1.3);
                printRatio("load CPU on 1 thread / floor CPU on 1 thread", r[3].cpuSeconds / r[0].cpuSeconds,
                           1.3);
                printRatio("load wall / floor wall on as many threads", r[4].seconds / r[1].seconds, 1.3);
                printRatio("load CPU, one reader per processor / floor CPU on 1 thread",
                           r[5].cpuSeconds / r[0].cpuSeconds);
                if (count >= 100000)
                    std::printf("    %-62s %6.1f  (target < 100: %s)\n", "load peak MB", r[4].peakMB,
                                r[4].peakMB < 100 ? "holds" : "misses");
            }
            std::fflush(stdout);
        };
        floorRun("--threads=1");  // warm the page cache for both
        loadRun("1");
        report("warm", measure(false, runs), false);
        if (coldRuns > 0 && canDrop) report("cold", measure(true, coldRuns), true);
    }
    benchSorts(base / std::to_string(sizes.back()));
    return 0;
}
