// SPDX-License-Identifier: GPL-3.0-or-later
// Building the domain block file from the shipped tracker list, and a whole save whose block
// files are unchanged.
#include <filesystem>
#include <string>

#include <benchmark/benchmark.h>

#include "classify/tracker_list.h"
#include "resource_bench.h"
#include "store/rule_store.h"

namespace {

// The tracker list shipped with the program.
ListedDomains trackerList() {
    return ResourceBench::shippedTable<TrackerList>("trackers.txt").domains();
}

RuleSet userRules() {
    RuleSet rules;
    std::chrono::sys_seconds created{};
    for (int i = 0; i < 300; ++i) {
        std::string host = "host" + std::to_string(i) + ".example.com";
        rules.set(host, "Program", i % 4 == 0 ? RuleAction::allow : RuleAction::block,
                  std::vector<std::string>{"203.0." + std::to_string(i / 250) + "." +
                                           std::to_string(i % 250)},
                  created);
    }
    rules.blockAllListed = true;
    return rules;
}

void exportDomains(benchmark::State& state) {
    ListedDomains listed = trackerList();
    RuleSet rules = userRules();
    for (auto _ : state)
        benchmark::DoNotOptimize(rules.exportDomains(&listed));
    state.counters["domains"] = static_cast<double>(listed.size());
}

void saveUnchanged(benchmark::State& state) {
    ListedDomains listed = trackerList();
    RuleSet rules = userRules();
    std::string root = std::filesystem::temp_directory_path() / "nv-rule-store-bench";
    Paths paths(root);
    if (!RuleStore::save(rules, paths, &listed)) state.SkipWithError("rules not saved");
    for (auto _ : state)
        benchmark::DoNotOptimize(RuleStore::save(rules, paths, &listed));
    std::filesystem::remove_all(root);
}

} // namespace

BENCHMARK(exportDomains)->Unit(benchmark::kMillisecond);
BENCHMARK(saveUnchanged)->Unit(benchmark::kMillisecond);
