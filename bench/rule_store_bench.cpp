// Building the domain block file from a tracker list of 80,000 generated domains, and a whole
// save whose block files are unchanged.
#include <array>
#include <filesystem>
#include <random>
#include <string>

#include <benchmark/benchmark.h>

#include "rule_store.h"

namespace {

constexpr int listedCount = 80000;

// Names shaped like the public tracker lists: two to five labels of syllables and digits, common
// suffixes, a few entries that are no valid domain.
ListedDomains trackerList() {
    constexpr std::array<const char*, 16> syllables{"ad",    "track", "pix",   "el",  "metr", "ic",
                                                    "stat",  "beac",  "on",    "tag", "sync", "cdn",
                                                    "lytic", "serv",  "click", "log"};
    constexpr std::array<const char*, 8> suffixes{".com",   ".net", ".io", ".org",
                                                  ".co.uk", ".de",  ".ru", ".info"};
    std::mt19937 random(7);
    auto label = [&] {
        std::string text;
        for (int n = 1 + static_cast<int>(random() % 3); n > 0; --n)
            text += syllables[random() % syllables.size()];
        if (random() % 3 == 0) text += std::to_string(random() % 1000);
        return text;
    };
    ListedDomains listed;
    while (static_cast<int>(listed.size()) < listedCount) {
        std::string domain = label() + suffixes[random() % suffixes.size()];
        for (int depth = static_cast<int>(random() % 4); depth > 0; --depth)
            domain = label() + "." + domain;
        if (random() % 500 == 0) domain.insert(0, "bad_");
        listed.emplace(std::move(domain), 'a');
    }
    return listed;
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
    RuleStore::save(rules, paths, &listed);
    for (auto _ : state)
        benchmark::DoNotOptimize(RuleStore::save(rules, paths, &listed));
    std::filesystem::remove_all(root);
}

} // namespace

BENCHMARK(exportDomains)->Unit(benchmark::kMillisecond);
BENCHMARK(saveUnchanged)->Unit(benchmark::kMillisecond);
