// SPDX-License-Identifier: GPL-3.0-or-later
// A journal of 7 days with 20,000 entries a day: recording a day's observations, saving the week
// and loading it again.
#include <filesystem>

#include <benchmark/benchmark.h>

#include "store/journal.h"

namespace {

constexpr int days = 7;
constexpr int perDay = 20000;

const Verdict verdict{Category::analytics, "Example Analytics", std::nullopt};

// A fresh temporary data root, removed at the end.
struct Root {
    std::string path;
    Root() {
        char pattern[] = "/tmp/nv-bench-XXXXXX";
        path = mkdtemp(pattern);
    }
    ~Root() { std::filesystem::remove_all(path); }
    std::string journal() const { return path + "/journal"; }
};

void recordDay(Journal& journal, Dates::TimePoint at) {
    for (int n = 0; n < perDay; ++n)
        journal.record(
            "Program " + std::to_string(n % 40), "host" + std::to_string(n) + ".example.com",
            "192.0.2." + std::to_string(n % 250), 443, verdict, n * 1000, n * 300, n % 7 == 0, at);
}

void recordWeek(Journal& journal, Dates::TimePoint now) {
    for (int day = 0; day < days; ++day)
        recordDay(journal, now - std::chrono::hours{24 * day});
}

// One scan's worth of observations for every entry of a day, merged into existing entries.
void record(benchmark::State& state) {
    Root root;
    Dates::TimePoint now = std::chrono::system_clock::now();
    Journal journal(root.journal(), days, [now] { return now; });
    recordWeek(journal, now);
    for (auto _ : state)
        recordDay(journal, now);
    state.SetItemsProcessed(state.iterations() * perDay);
}

void save(benchmark::State& state) {
    Root root;
    Dates::TimePoint now = std::chrono::system_clock::now();
    Journal journal(root.journal(), days, [now] { return now; });
    recordWeek(journal, now);
    for (auto _ : state) {
        bool saved = journal.save().ok();
        benchmark::DoNotOptimize(saved);
    }
    state.counters["entries"] = static_cast<double>(journal.entries().size());
}

void load(benchmark::State& state) {
    Root root;
    Dates::TimePoint now = std::chrono::system_clock::now();
    Journal journal(root.journal(), days, [now] { return now; });
    recordWeek(journal, now);
    if (!journal.save()) state.SkipWithError("journal not saved");
    for (auto _ : state)
        journal.load();
    state.counters["entries"] = static_cast<double>(journal.entries().size());
}

} // namespace

BENCHMARK(record)->Unit(benchmark::kMillisecond);
BENCHMARK(save)->Unit(benchmark::kMillisecond);
BENCHMARK(load)->Unit(benchmark::kMillisecond);
