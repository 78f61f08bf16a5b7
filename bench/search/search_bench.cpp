// SPDX-License-Identifier: MIT
// A body search over a generated folder of messages, measured next to
// `grep -rlF` of the same ASCII word over the same folder in the same run.
// grep is the floor: it only scans bytes, while the search reads headers,
// decodes ISO-2022-JP, base64 and quoted-printable bodies and upper-cases
// them. Target: the search is no slower than grep.
//
// PELMORA_BENCH_MESSAGES (default 100000) sets the corpus size and
// PELMORA_BENCH_DIR (default $TMPDIR/pelmora-bench-search-<count>) its folder.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include "corpus.h"
#include "search/search_run.h"
#include "support/fake_ports.h"

namespace {

namespace fs = std::filesystem;
using namespace pelmora;

std::size_t messageCount() {
    const char* v = std::getenv("PELMORA_BENCH_MESSAGES");
    return v != nullptr ? std::strtoull(v, nullptr, 10) : 100000;
}

const fs::path& corpusFolder() {
    static const fs::path folder = [] {
        const char* v = std::getenv("PELMORA_BENCH_DIR");
        if (v != nullptr) return fs::path(v);
        return fs::temp_directory_path() / ("pelmora-bench-search-" + std::to_string(messageCount()));
    }();
    return folder;
}

const bench::CorpusFacts& corpus() {
    static const bench::CorpusFacts facts = bench::EnsureCorpus(corpusFolder(), messageCount());
    return facts;
}

// Mean seconds per iteration of each side, for the ratios printed at the
// end: wall time, and processor time (user + system; grep's from its child
// accounting), which stays meaningful on a busy machine.
double g_grepSeconds = 0;
double g_searchSeconds = 0;
double g_grepCpuSeconds = 0;
double g_searchCpuSeconds = 0;

double cpuSeconds(int who) {
    struct rusage usage {};
    ::getrusage(who, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Files grep lists; the whole output is read so that grep runs to its end.
std::size_t runGrep() {
    const std::string command =
        "grep -rlF --include='*.eml' " + std::string(bench::kPlantedWord) + " '" + corpusFolder().string() + "'";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return 0;
    std::size_t lines = 0;
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) ++lines;
    ::pclose(pipe);
    return lines;
}

enum class Field { Body, Subject };

std::size_t runSearch(Field field, std::string_view expression) {
    SearchConditions conditions;
    ParseSearchField(field == Field::Body ? conditions.BodyTerms : conditions.SubjectTerms, expression);
    conditions.IncludeSubfolders = true;
    conditions.ErrorUnableDecode = false;
    SearchSession session;
    test::FakeListView view;
    test::FakeStatusBar status;
    test::FakeProgress progress;
    test::FakePrompts prompts;
    test::FakeBusyCursor cursor;
    SearchPorts ports{view, status, progress, prompts, cursor};
    RunSearch(conditions, corpusFolder(), session, ports, ReaderOptions{});
    return session.FoundList.size();
}

void BM_GrepRecursiveFixedString(benchmark::State& state) {
    const auto& facts = corpus();
    runGrep();  // the same warm page cache for both sides
    std::size_t found = 0;
    double total = 0;
    const double cpuStart = cpuSeconds(RUSAGE_CHILDREN);
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        found = runGrep();
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        total += seconds;
        state.SetIterationTime(seconds);
    }
    g_grepSeconds = total / static_cast<double>(state.iterations());
    g_grepCpuSeconds = (cpuSeconds(RUSAGE_CHILDREN) - cpuStart) / static_cast<double>(state.iterations());
    state.counters["cpu_ms"] = g_grepCpuSeconds * 1000;
    state.counters["files_found"] = static_cast<double>(found);
    state.counters["messages"] = static_cast<double>(facts.messages);
    state.SetBytesProcessed(static_cast<std::int64_t>(facts.bytes) * state.iterations());
}

void BM_SearchBody(benchmark::State& state) {
    const auto& facts = corpus();
    std::size_t found = 0;
    double total = 0;
    const double cpuStart = cpuSeconds(RUSAGE_SELF);
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        found = runSearch(Field::Body, bench::kPlantedWord);
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        total += seconds;
        state.SetIterationTime(seconds);
    }
    g_searchSeconds = total / static_cast<double>(state.iterations());
    g_searchCpuSeconds = (cpuSeconds(RUSAGE_SELF) - cpuStart) / static_cast<double>(state.iterations());
    state.counters["cpu_ms"] = g_searchCpuSeconds * 1000;
    state.counters["messages_found"] = static_cast<double>(found);
    state.counters["planted"] = static_cast<double>(facts.planted);
    state.SetBytesProcessed(static_cast<std::int64_t>(facts.bytes) * state.iterations());
}

// The same run without the body walk: a subject condition that every
// message meets still makes the reader read each body, so this is the part
// of the search that scanning and reading cost.
void BM_ScanAndReadOnly(benchmark::State& state) {
    const auto& facts = corpus();
    std::size_t found = 0;
    const double cpuStart = cpuSeconds(RUSAGE_SELF);
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        found = runSearch(Field::Subject, "-no-such-subject-word");
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    state.counters["cpu_ms"] = (cpuSeconds(RUSAGE_SELF) - cpuStart) / static_cast<double>(state.iterations()) * 1000;
    state.counters["messages_found"] = static_cast<double>(found);
    state.SetBytesProcessed(static_cast<std::int64_t>(facts.bytes) * state.iterations());
}

BENCHMARK(BM_GrepRecursiveFixedString)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchBody)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanAndReadOnly)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (g_grepSeconds > 0 && g_searchSeconds > 0) {
        std::cout << "search / grep -rlF over " << corpus().messages << " messages (target: at most 1.0)\n"
                  << "  wall time: grep " << g_grepSeconds * 1000 << " ms, search " << g_searchSeconds * 1000
                  << " ms, ratio " << g_searchSeconds / g_grepSeconds << "\n"
                  << "  processor time: grep " << g_grepCpuSeconds * 1000 << " ms, search "
                  << g_searchCpuSeconds * 1000 << " ms, ratio " << g_searchCpuSeconds / g_grepCpuSeconds << "\n";
    }
    return 0;
}
