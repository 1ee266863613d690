// The search window's filtering: one keystroke's search over generated libraries of 10,000 and
// 100,000 prompts, the matching alone (the folded index is made once per library change and
// timed on its own). Prints the table of figures on stdout and Google Benchmark's report on
// stderr.
//
//   search_bench [Google Benchmark flags]

#include "bench/collecting_reporter.h"
#include "bench/corpus.h"
#include "bench/table.h"
#include "library/prompt_search.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <iostream>
#include <map>
#include <string>
#include <vector>

namespace {

// What a user types, from the cheapest to the dearest: most prompts match a lone letter at once,
// a word or two must be looked for, and a word that is nowhere makes every text be read whole.
const std::vector<std::pair<std::string, std::u16string>> kQueries = {
    {"one letter", u"e"},
    {"word in capitals, umlaut", u"ÜBERSICHT"},
    {"two words", u"kündigung gebühren"},
    {"word found nowhere", u"Xylophon"},
};
constexpr std::size_t kSizes[] = {10'000, 100'000};
constexpr double kTargetMs[] = {5, 50};

} // namespace

int main(int argc, char** argv) {
    std::vector<PromptLibrary> libraries;
    std::vector<PromptSearchIndex> indices;
    for (std::size_t size : kSizes) {
        std::cerr << "preparing " << size << " prompts\n";
        libraries.push_back(makeBenchLibrary(size));
        indexPrompts(indices.emplace_back(), libraries.back());
    }
    std::vector<std::size_t> matches(kQueries.size() * std::size(kSizes));
    for (std::size_t s = 0; s < std::size(kSizes); ++s) {
        const std::string n = "/" + std::to_string(kSizes[s]);
        benchmark::RegisterBenchmark(("index" + n).c_str(), [&, s](benchmark::State& state) {
            PromptSearchIndex index = indices[s]; // as the search window keeps it
            for (auto _ : state)
                indexPrompts(index, libraries[s]);
        });
        for (std::size_t q = 0; q < kQueries.size(); ++q)
            benchmark::RegisterBenchmark(("search" + std::to_string(q) + n).c_str(),
                                         [&, s, q](benchmark::State& state) {
                                             for (auto _ : state)
                                                 matches[s * kQueries.size() + q] =
                                                     searchPrompts(indices[s], kQueries[q].second).size();
                                         });
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    CollectingReporter results;
    benchmark::RunSpecifiedBenchmarks(&results);
    benchmark::Shutdown();

    using namespace bench_table;
    header();
    for (std::size_t s = 0; s < std::size(kSizes); ++s) {
        const std::string n = "/" + std::to_string(kSizes[s]);
        const std::string size = std::to_string(kSizes[s] / 1000) + ",000 prompts";
        double worst = 0;
        for (std::size_t q = 0; q < kQueries.size(); ++q) {
            const double ms = 1000 * results.best("search" + std::to_string(q) + n);
            if (ms == 0) continue;
            worst = std::max(worst, ms);
            row("Search " + size + ", " + kQueries[q].first,
                format("%.2f ms", ms) + ", " + std::to_string(matches[s * kQueries.size() + q]) + " found");
        }
        if (worst > 0)
            row("  slowest search, " + size, format("%.2f ms", worst), "", format("<= %.0f ms", kTargetMs[s]),
                atMost(worst, kTargetMs[s]));
        if (const double ms = 1000 * results.best("index" + n); ms > 0)
            row("  index folded anew, " + size + " (library change)", format("%.1f ms", ms));
    }
    note("Search: searchPrompts for one keystroke's query over the folded index, thread CPU time, best of "
         "the repetitions; the list box's filling is not in it.");
    return 0;
}
