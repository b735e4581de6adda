#include <filesystem>

#include <benchmark/benchmark.h>

#include "journal.h"

namespace {

// A week of 2,000 entries a day, saved into a fresh temporary directory.
void saveWeek(benchmark::State& state) {
    char pattern[] = "/tmp/nv-bench-XXXXXX";
    std::string root = mkdtemp(pattern);
    Dates::TimePoint now = std::chrono::system_clock::now();
    Journal journal(root + "/journal", 7, [now] { return now; });
    Verdict verdict{Category::analytics, "Example Analytics", std::nullopt};
    for (int day = 0; day < 7; ++day)
        for (int n = 0; n < 2000; ++n)
            journal.record("Program " + std::to_string(n % 40),
                           "host" + std::to_string(n) + ".example.com",
                           "192.0.2." + std::to_string(n % 250), 443, verdict, n * 1000, n * 300,
                           n % 7 == 0, now - std::chrono::hours{24 * day});
    for (auto _ : state) {
        bool saved = journal.save();
        benchmark::DoNotOptimize(saved);
    }
    state.counters["entries"] = static_cast<double>(journal.entries().size());
    std::filesystem::remove_all(root);
}

} // namespace

BENCHMARK(saveWeek)->Unit(benchmark::kMillisecond);
