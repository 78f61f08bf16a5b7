// SPDX-License-Identifier: MIT
// A body search over a generated folder of messages, measured next to
// `grep -rlF` of the same ASCII word over the same folder in the same run.
// grep is the peer a user could pick instead: it only scans bytes, while
// the search reads headers, decodes ISO-2022-JP, base64 and
// quoted-printable bodies and upper-cases them. Target: half of grep's
// processor time, and twice the floor's (below).
//
// PELMORA_BENCH_CORPUS picks the folder: "load" (the default) is the folder
// load benchmark's corpus (bench/load/generate_corpus.py, shared with it
// under $TMPDIR/pelmora-load-bench/<count>), searched for a word of its
// English bodies; "mixed" is this benchmark's own corpus with base64 and
// quoted-printable bodies and a planted word; "japanese" is a folder as
// Japanese mail folders hold it (mostly ISO-2022-JP, large attachments,
// copies), searched for an ASCII word, or with PELMORA_BENCH_TERM=japanese
// for a katakana word written in JIS, base64 and quoted-printable.
// PELMORA_BENCH_MESSAGES (default 100000) sets the size, PELMORA_BENCH_DIR
// the folder.
//
// Next to them the floor (bench/load's floor program reading, line by line,
// what a body search must read: a multipart/mixed or multipart/report
// message to the end of its first part, any other to its end) on one
// thread, on as many threads as the search reads with and on 32. PELMORA_BENCH_COLD=1
// drops the page cache before every iteration (as root; the output says
// when it cannot), for the cold figures.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>

#include "catalogue/parallel_read.h"
#include "common/load_corpus.h"
#include "common/timing.h"
#include "corpus.h"
#include "decode/japanese.h"
#include "search/search_run.h"
#include "support/fake_ports.h"

namespace {

namespace fs = std::filesystem;
using namespace pelmora;

std::size_t messageCount() {
    const char* v = std::getenv("PELMORA_BENCH_MESSAGES");
    return v != nullptr ? std::strtoull(v, nullptr, 10) : 100000;
}

struct Corpus {
    fs::path folder;
    std::string word;  // searched in the bodies, UTF-8
    std::size_t messages = 0;
    std::uint64_t bytes = 0;
    std::size_t planted = 0;  // messages known to hold the word; 0 when not counted
};

Corpus loadCorpus(std::size_t count) {
    Corpus c;
    const char* dir = std::getenv("PELMORA_BENCH_DIR");
    c.folder = dir != nullptr ? fs::path(dir)
                              : fs::temp_directory_path() / "pelmora-load-bench" / std::to_string(count);
    c.word = "patience";
    bench::EnsureLoadCorpus(c.folder, count);
    for (const auto& entry : fs::recursive_directory_iterator(c.folder)) {
        if (entry.path().extension() != ".eml") continue;
        ++c.messages;
        c.bytes += entry.file_size();
    }
    return c;
}

Corpus mixedCorpus(std::size_t count) {
    Corpus c;
    const char* dir = std::getenv("PELMORA_BENCH_DIR");
    c.folder = dir != nullptr ? fs::path(dir)
                              : fs::temp_directory_path() / ("pelmora-bench-search-" + std::to_string(count));
    c.word = bench::kPlantedWord;
    const bench::CorpusFacts facts = bench::EnsureCorpus(c.folder, count);
    c.messages = facts.messages;
    c.bytes = facts.bytes;
    c.planted = facts.planted;
    return c;
}

Corpus japaneseCorpus(std::size_t count) {
    Corpus c;
    const char* dir = std::getenv("PELMORA_BENCH_DIR");
    c.folder = dir != nullptr
                   ? fs::path(dir)
                   : fs::temp_directory_path() / ("pelmora-bench-japanese-" + std::to_string(count));
    const bench::CorpusFacts facts = bench::EnsureJapaneseCorpus(c.folder, count);
    const char* term = std::getenv("PELMORA_BENCH_TERM");
    const bool japanese = term != nullptr && std::string_view(term) == "japanese";
    c.word = japanese ? bench::kJapaneseTerm : bench::kAsciiTerm;
    c.messages = facts.messages;
    c.bytes = facts.bytes;
    c.planted = japanese ? facts.plantedJapanese : facts.planted;
    return c;
}

const Corpus& corpus() {
    static const Corpus c = [] {
        const char* kind = std::getenv("PELMORA_BENCH_CORPUS");
        const std::string_view name = kind != nullptr ? kind : "";
        return name == "mixed"      ? mixedCorpus(messageCount())
               : name == "japanese" ? japaneseCorpus(messageCount())
                                    : loadCorpus(messageCount());
    }();
    return c;
}

const fs::path& corpusFolder() {
    return corpus().folder;
}

// Mean seconds per iteration of each side, for the ratios printed at the
// end: wall time, and processor time (user + system; grep's from its child
// accounting), which stays meaningful on a busy machine.
double g_grepSeconds = 0;
double g_grepCpuSeconds = 0;

// The ways the search is timed: as the program runs it (its readers), on one
// thread, with one reader per processor, and as the window runs it by
// default, ready to ask about bodies it cannot search.
enum Way { kReaders, kOneThread, kPerProcessor, kAsking, kWays };
struct Timing {
    double seconds = 0;
    double cpuSeconds = 0;
};
Timing g_search[kWays];

bool coldRuns() {
    const char* v = std::getenv("PELMORA_BENCH_COLD");
    return v != nullptr && std::string_view(v) == "1";
}

bool g_dropFailed = false;

// Before each timed run when cold: the page cache, dentries and inodes go.
void prepareRun() {
    if (!coldRuns()) return;
    ::sync();
    std::FILE* f = std::fopen("/proc/sys/vm/drop_caches", "w");
    bool ok = f != nullptr && std::fputs("3\n", f) >= 0;
    if (f != nullptr) ok = std::fclose(f) == 0 && ok;
    g_dropFailed = g_dropFailed || !ok;
}

// Runs work once per iteration, each after prepareRun; the mean wall and
// processor time of `who` (RUSAGE_SELF or RUSAGE_CHILDREN) per run.
template <typename Work>
void timeRuns(benchmark::State& state, int who, double& wall, double& cpu, Work work) {
    double wallTotal = 0, cpuTotal = 0;
    for (auto _ : state) {
        prepareRun();
        const double cpuStart = bench::CpuSeconds(who);
        const auto start = std::chrono::steady_clock::now();
        work();
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        cpuTotal += bench::CpuSeconds(who) - cpuStart;
        wallTotal += seconds;
        state.SetIterationTime(seconds);
    }
    wall = wallTotal / static_cast<double>(state.iterations());
    cpu = cpuTotal / static_cast<double>(state.iterations());
    state.counters["cpu_ms"] = cpu * 1000;
}

// Files grep lists; the whole output is read so that grep runs to its end.
std::size_t runGrep() {
    const std::string command =
        "grep -rlF --include='*.eml' '" + corpus().word + "' '" + corpusFolder().string() + "'";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return 0;
    std::size_t lines = 0;
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) ++lines;
    ::pclose(pipe);
    return lines;
}

enum class Field { Body, Subject };

// asking: as the window searches by default, ready to ask about bodies it
// cannot search, so one message at a time with the files ahead in flight.
std::size_t runSearch(Field field, std::string_view expression, unsigned threads = 0, bool asking = false) {
    SearchConditions conditions;
    // The fields hold display text, as the window's do.
    ParseSearchField(field == Field::Body ? conditions.BodyTerms : conditions.SubjectTerms,
                     Utf8ToAnsi(expression));
    conditions.IncludeSubfolders = true;
    conditions.ErrorUnableDecode = asking;
    SearchSession session;
    test::FakeListView view;
    test::FakeStatusBar status;
    test::FakeProgress progress;
    test::FakePrompts prompts;
    test::FakeBusyCursor cursor;
    SearchPorts ports{view, status, progress, prompts, cursor};
    RunSearch(conditions, corpusFolder(), session, ports, ReaderOptions{}, threads);
    return session.FoundList.size();
}

void BM_GrepRecursiveFixedString(benchmark::State& state) {
    const auto& facts = corpus();
    runGrep();  // the same warm page cache for both sides
    std::size_t found = 0;
    timeRuns(state, RUSAGE_CHILDREN, g_grepSeconds, g_grepCpuSeconds, [&] { found = runGrep(); });
    state.counters["files_found"] = static_cast<double>(found);
    state.counters["messages"] = static_cast<double>(facts.messages);
    state.SetBytesProcessed(static_cast<std::int64_t>(facts.bytes) * state.iterations());
}

// The floor on `threads` threads (0: as many as the search reads with).
double g_floorSeconds[3] = {0, 0, 0};
double g_floorCpuSeconds[3] = {0, 0, 0};
unsigned searchReaders() {
    return ParallelReadThreads(corpus().messages, 0);
}

template <int Which>
void BM_Floor(benchmark::State& state) {
    const unsigned threads = Which == 0 ? 1u : Which == 1 ? searchReaders() : 32u;
    const std::string command = "'" PELMORA_LOAD_FLOOR "' --search --threads=" + std::to_string(threads) +
                                " '" + corpusFolder().string() + "' > /dev/null";
    if (std::system(command.c_str()) != 0) {
        state.SkipWithError("the floor program failed");
        return;
    }
    timeRuns(state, RUSAGE_CHILDREN, g_floorSeconds[Which], g_floorCpuSeconds[Which],
             [&] { [[maybe_unused]] int rc = std::system(command.c_str()); });
    state.counters["threads"] = threads;
}

template <Way W>
void BM_SearchBody(benchmark::State& state) {
    const auto& facts = corpus();
    std::size_t found = 0;
    const unsigned threads = W == kOneThread      ? 1
                             : W == kPerProcessor ? std::max(1u, std::thread::hardware_concurrency())
                                                  : 0;
    timeRuns(state, RUSAGE_SELF, g_search[W].seconds, g_search[W].cpuSeconds,
             [&] { found = runSearch(Field::Body, corpus().word, threads, W == kAsking); });
    state.counters["messages_found"] = static_cast<double>(found);
    if (facts.planted != 0) state.counters["planted"] = static_cast<double>(facts.planted);
    state.SetBytesProcessed(static_cast<std::int64_t>(facts.bytes) * state.iterations());
}

// The same run without the body walk: a subject condition that every
// message meets still makes the reader read each body, so this is the part
// of the search that scanning and reading cost.
void BM_ScanAndReadOnly(benchmark::State& state) {
    const auto& facts = corpus();
    std::size_t found = 0;
    const double cpuStart = bench::CpuSeconds(RUSAGE_SELF);
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        found = runSearch(Field::Subject, "-no-such-subject-word");
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    state.counters["cpu_ms"] =
        (bench::CpuSeconds(RUSAGE_SELF) - cpuStart) / static_cast<double>(state.iterations()) * 1000;
    state.counters["messages_found"] = static_cast<double>(found);
    state.SetBytesProcessed(static_cast<std::int64_t>(facts.bytes) * state.iterations());
}

// Each run times itself (the work runs in child processes or threads), three times.
void timedThrice(benchmark::internal::Benchmark* run) {
    run->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_GrepRecursiveFixedString)->Apply(timedThrice);
BENCHMARK(BM_SearchBody<kReaders>)->Name("BM_SearchBody")->Apply(timedThrice);
BENCHMARK(BM_SearchBody<kOneThread>)->Name("BM_SearchBodyOneThread")->Apply(timedThrice);
BENCHMARK(BM_SearchBody<kPerProcessor>)->Name("BM_SearchBodyReaderPerProcessor")->Apply(timedThrice);
BENCHMARK(BM_SearchBody<kAsking>)->Name("BM_SearchBodyAsking")->Apply(timedThrice);
BENCHMARK(BM_Floor<0>)->Name("BM_FloorOneThread")->Apply(timedThrice);
BENCHMARK(BM_Floor<1>)->Name("BM_FloorAsManyThreads")->Apply(timedThrice);
BENCHMARK(BM_Floor<2>)->Name("BM_Floor32Threads")->Apply(timedThrice);
BENCHMARK(BM_ScanAndReadOnly)->Apply(timedThrice);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (g_grepSeconds > 0 && g_search[kReaders].seconds > 0) {
        std::cout << "search / grep -rlF over " << corpus().messages << " messages\n"
                  << "  wall time: grep " << g_grepSeconds * 1000 << " ms, search "
                  << g_search[kReaders].seconds * 1000 << " ms, ratio "
                  << g_search[kReaders].seconds / g_grepSeconds << "\n"
                  << "  processor time: grep " << g_grepCpuSeconds * 1000 << " ms, search "
                  << g_search[kReaders].cpuSeconds * 1000 << " ms, ratio "
                  << g_search[kReaders].cpuSeconds / g_grepCpuSeconds << "\n";
        if (g_search[kOneThread].seconds > 0)
            std::cout << "  on one thread: wall " << g_search[kOneThread].seconds * 1000 << " ms, ratio "
                      << g_search[kOneThread].seconds / g_grepSeconds << "; processor "
                      << g_search[kOneThread].cpuSeconds * 1000 << " ms, ratio "
                      << g_search[kOneThread].cpuSeconds / g_grepCpuSeconds << "\n";
    }
    if (g_dropFailed)
        std::cout << "NOTE: the page cache could not be dropped (not root?): these figures are warm.\n";
    if (g_floorCpuSeconds[0] > 0 && g_search[kReaders].cpuSeconds > 0) {
        const double bestFloor = std::min(g_floorSeconds[1], g_floorSeconds[2]);
        std::cout << "search for \"" << corpus().word << "\" against the floor ("
                  << (coldRuns() ? "cold" : "warm") << ", " << searchReaders() << " readers)\n";
        // Processor time is the measure of a warm run; a cold one waits on the disk.
        if (!coldRuns()) {
            std::cout << "  processor time / floor's on one thread: "
                      << g_search[kReaders].cpuSeconds / g_floorCpuSeconds[0] << " (target <= 2)\n"
                      << "  processor time / grep's: " << g_search[kReaders].cpuSeconds / g_grepCpuSeconds
                      << " (target <= 0.5)\n";
            // Threads that run side by side cost each other processor time
            // (shared caches, a processor's two hardware threads), the
            // floor's as much as the search's: so the search on as many
            // threads as it reads with, and on one, each against the floor
            // read the same way.
            if (g_floorCpuSeconds[1] > 0)
                std::cout << "  processor time / floor's on as many threads: "
                          << g_search[kReaders].cpuSeconds / g_floorCpuSeconds[1] << "\n";
            if (g_search[kOneThread].cpuSeconds > 0)
                std::cout << "  on one thread, processor time / floor's on one thread: "
                          << g_search[kOneThread].cpuSeconds / g_floorCpuSeconds[0] << "\n";
        }
        std::cout << "  wall time / floor's on as many threads: "
                  << g_search[kReaders].seconds / g_floorSeconds[1] << "\n"
                  << "  wall time / best floor's (many reads in flight): "
                  << g_search[kReaders].seconds / bestFloor << (coldRuns() ? " (target <= 1.3)" : "") << "\n";
        if (g_search[kPerProcessor].seconds > 0)
            std::cout << "  one reader per processor: wall / best floor's "
                      << g_search[kPerProcessor].seconds / bestFloor
                      << ", processor time / floor's on one thread "
                      << g_search[kPerProcessor].cpuSeconds / g_floorCpuSeconds[0] << "\n";
        if (g_search[kAsking].seconds > 0)
            std::cout
                << "  ready to ask (the window's default; one message at a time, files ahead in flight): "
                   "wall / best floor's "
                << g_search[kAsking].seconds / bestFloor << ", processor time / floor's on one thread "
                << g_search[kAsking].cpuSeconds / g_floorCpuSeconds[0] << "\n";
    }
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    std::cout << "peak memory of this process: " << static_cast<double>(usage.ru_maxrss) / 1024.0 << " MB\n";
    return 0;
}
