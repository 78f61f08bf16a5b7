// SPDX-License-Identifier: MIT
// A search whose fields hold many words, over the example folder: parsing
// and evaluating an expression must cost time in proportion to its number
// of terms. Each field gets 10,000, 20,000 and 40,000 different words (none
// of which occurs, so that every term is looked for in every text); the
// time per term of the largest run against that of the smallest is the
// measure, in processor time (which a busy machine does not stretch).
// Target: at most 1.5 (a cost that grows with the square of the
// terms gives 4).
#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <map>
#include <string>

#include "search/search_run.h"
#include "support/fake_ports.h"

namespace {

using namespace pelmora;

std::string manyWords(std::int64_t count) {
    std::string expression;
    for (std::int64_t i = 0; i < count; ++i) expression += "zq" + std::to_string(i) + ' ';
    return expression;
}

std::map<std::int64_t, double> g_secondsPerTerm;

void BM_ManyTerms(benchmark::State& state) {
    const std::int64_t count = state.range(0);
    const std::string expression = manyWords(count);
    double total = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const std::clock_t cpuStart = std::clock();
        SearchConditions conditions;
        ParseSearchField(conditions.FromTerms, expression);
        ParseSearchField(conditions.SubjectTerms, expression);
        ParseSearchField(conditions.BodyTerms, expression);
        SearchSession session;
        test::FakeListView view;
        test::FakeStatusBar status;
        test::FakeProgress progress;
        test::FakePrompts prompts;
        test::FakeBusyCursor cursor;
        SearchPorts ports{view, status, progress, prompts, cursor};
        RunSearch(conditions, PELMORA_EXAMPLE_MAIL, session, ports, ReaderOptions{}, 1);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
        total += static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    }
    g_secondsPerTerm[count] = total / static_cast<double>(state.iterations()) / static_cast<double>(count);
}

BENCHMARK(BM_ManyTerms)
    ->Arg(10000)
    ->Arg(20000)
    ->Arg(40000)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (g_secondsPerTerm.size() >= 2) {
        const double ratio = g_secondsPerTerm.rbegin()->second / g_secondsPerTerm.begin()->second;
        std::cout << "time per term, " << g_secondsPerTerm.rbegin()->first << " terms against "
                  << g_secondsPerTerm.begin()->first << ": " << ratio << " (target <= 1.5)\n";
        return ratio <= 1.5 ? 0 : 1;
    }
    return 0;
}
