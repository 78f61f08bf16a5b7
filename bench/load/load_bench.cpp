// SPDX-License-Identifier: MIT
// The folder load against its floor. For each corpus size it times, in child
// processes so that each has its own peak memory, the floor program (open,
// read the header block or up to the second boundary, close) and the GUI's
// load path (LoadFolder: scan, ReadMessage for every entry, ResortList),
// after one warm-up run of each. Then it times column-click sorts of the
// largest list in this process.
//
// usage: load_bench [--sizes=10000,100000] [--dir=FOLDER] [--runs=N]
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

#include "catalogue/ordering.h"
#include "catalogue/scan.h"
#include "cli/terminal_ports.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace pelmora;

// The machine may be shared: CPU time (user + system) is what the ratio is
// taken of; wall time is shown beside it.
struct RunResult {
    double seconds = 0;
    double cpuSeconds = 0;
    double peakMB = 0;
};

double secondsOf(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

// Runs argv with stdout on /dev/null; wall time and the child's peak RSS.
RunResult runChild(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    auto start = Clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        std::perror(argv[0]);
        std::exit(1);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    RunResult result;
    result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    result.cpuSeconds = secondsOf(usage.ru_utime) + secondsOf(usage.ru_stime);
    result.peakMB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    posix_spawn_file_actions_destroy(&actions);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed\n", argv[0]);
        std::exit(1);
    }
    return result;
}

// The GUI's path over the terminal ports: what one folder load costs.
std::size_t loadFolder(const fs::path& folder, MsgList& list, cli::TerminalListView& view, unsigned threads = 0) {
    cli::TerminalStatusBar status;
    cli::TerminalProgress progress;
    cli::TerminalPrompts prompts;
    cli::TerminalBusyCursor cursor;
    LoadFolderPorts ports{view, status, progress, prompts, cursor};
    LineList lines;
    ReaderContext reader{lines, ReaderOptions{}, prompts, nullptr};
    LoadFolder(folder, list, ports, reader, Subfolders::No, threads);
    return list.size();
}

void ensureCorpus(const fs::path& folder, std::size_t count) {
    fs::path marker = folder / (".generated-" + std::to_string(count));
    if (fs::exists(marker)) return;
    fs::remove_all(folder);
    std::fprintf(stderr, "generating %zu messages in %s ...\n", count, folder.c_str());
    runChild({"/usr/bin/env", "python3", PELMORA_LOAD_GENERATOR, std::to_string(count), folder.string()});
    std::ofstream(marker) << count << '\n';
}

RunResult best(const std::vector<RunResult>& runs) {
    RunResult r = runs.front();
    for (const auto& x : runs) {
        r.seconds = std::min(r.seconds, x.seconds);
        r.cpuSeconds = std::min(r.cpuSeconds, x.cpuSeconds);
        r.peakMB = std::max(r.peakMB, x.peakMB);
    }
    return r;
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
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::size_t> sizes = {10000, 100000};
    fs::path base = fs::temp_directory_path() / "pelmora-load-bench";
    int runs = 3;
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
        }
    }
    const std::string self = fs::canonical("/proc/self/exe").string();

    std::printf(
        "Per message, best of %d runs; ratios are load / floor. \"+stat\" is the floor that also stats\n"
        "each file, as a Linux scan must to learn sizes and times. \"1 thread\" is the load read on\n"
        "one thread (CPU time, user + system); \"threads\" is the load as the program runs it, with\n"
        "one reader per processor (%u here): wall time, what the user waits for, and CPU time.\n\n",
        runs, std::max(1u, std::thread::hardware_concurrency()));
    std::printf("%9s %10s %10s | %10s %6s %8s | %10s %10s %6s %10s %6s | %8s %8s\n", "messages", "floor cpu",
                "+stat cpu", "1 thread", "ratio", "r(+stat)", "floor wall", "load wall", "ratio", "load cpu",
                "ratio", "floor MB", "load MB");
    for (std::size_t count : sizes) {
        fs::path folder = base / std::to_string(count);
        ensureCorpus(folder, count);
        runChild({PELMORA_LOAD_FLOOR, folder.string()});  // warm the page cache for both
        runChild({self, "--child-load", folder.string(), "1"});
        std::vector<RunResult> floorRuns, statRuns, singleRuns, loadRuns;
        for (int r = 0; r < runs; ++r) {
            floorRuns.push_back(runChild({PELMORA_LOAD_FLOOR, folder.string()}));
            statRuns.push_back(runChild({PELMORA_LOAD_FLOOR, "--stat", folder.string()}));
            singleRuns.push_back(runChild({self, "--child-load", folder.string(), "1"}));
            loadRuns.push_back(runChild({self, "--child-load", folder.string(), "0"}));
        }
        RunResult floor = best(floorRuns), withStat = best(statRuns), single = best(singleRuns),
                  load = best(loadRuns);
        double us = 1e6 / static_cast<double>(count);
        std::printf(
            "%9zu %8.2fus %8.2fus | %8.2fus %6.2f %8.2f | %8.2fus %8.2fus %6.2f %8.2fus %6.2f | %8.1f %8.1f\n",
            count, floor.cpuSeconds * us, withStat.cpuSeconds * us, single.cpuSeconds * us,
            single.cpuSeconds / floor.cpuSeconds, single.cpuSeconds / withStat.cpuSeconds, floor.seconds * us,
            load.seconds * us, load.seconds / floor.seconds, load.cpuSeconds * us, load.cpuSeconds / floor.cpuSeconds,
            floor.peakMB, std::max(single.peakMB, load.peakMB));
        std::fflush(stdout);
    }
    benchSorts(base / std::to_string(sizes.back()));
    return 0;
}
