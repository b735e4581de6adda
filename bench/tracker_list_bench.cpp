// SPDX-License-Identifier: GPL-3.0-or-later
// Loading the shipped tracker list, the memory its set takes, and the cost of one match.
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "base/resources.h"
#include "classify/tracker_list.h"
#include "resource_bench.h"

namespace {

using ResourceBench::residentBytes;

const std::string& shippedText() {
    return ResourceBench::shippedText("trackers.txt");
}

// Runs first, before other benchmarks leave freed memory for the allocator to reuse.
void residentMemory(benchmark::State& state) {
    const std::string& text = shippedText();
    for (auto _ : state) {
        double before = residentBytes();
        TrackerList list(text);
        state.counters["extraMB"] = (residentBytes() - before) / 1e6;
        state.counters["domains"] = static_cast<double>(list.count());
    }
}
BENCHMARK(residentMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

void loadText(benchmark::State& state) {
    const std::string& text = shippedText();
    TrackerList list;
    for (auto _ : state) {
        list.load(text);
        benchmark::ClobberMemory();
    }
    state.counters["domains"] = static_cast<double>(list.count());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(loadText)->Unit(benchmark::kMillisecond);

void loadShippedFile(benchmark::State& state) {
    std::string path = Resources::path("trackers.txt");
    TrackerList list;
    for (auto _ : state)
        benchmark::DoNotOptimize(list.loadFile(path));
}
BENCHMARK(loadShippedFile)->Unit(benchmark::kMillisecond);

void match(benchmark::State& state) {
    TrackerList list(shippedText());
    // Listed hosts, hosts under a listed parent, and unlisted names of several lengths.
    const std::vector<std::string> hosts = {
        "dpm.demdex.net",
        "ib.adnxs.com",
        "sub.deep.tracking.omtrdc.net",
        "www.example.com",
        "lb-140-82-112-25-iad.github.com",
        "EC2-54-239-28-85.compute-1.amazonaws.com",
        "localhost",
        "a-very-long-label-for-a-content-delivery-node.edge.cdn.provider.example.org",
    };
    size_t found = 0;
    for (auto _ : state)
        for (const std::string& host : hosts) {
            auto listed = list.match(host);
            found += listed.has_value();
            benchmark::DoNotOptimize(listed);
        }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * hosts.size()));
    state.counters["perCall"] =
        benchmark::Counter(static_cast<double>(state.iterations() * hosts.size()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["listedShare"] =
        static_cast<double>(found) / static_cast<double>(state.iterations() * hosts.size());
}
BENCHMARK(match);

} // namespace
