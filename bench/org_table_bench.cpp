// SPDX-License-Identifier: GPL-3.0-or-later
// Loading the shipped organisation table, the memory it takes, and the cost of one lookup.
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "base/resources.h"
#include "classify/org_table.h"
#include "resource_bench.h"

namespace {

using ResourceBench::residentBytes;
using ResourceBench::shippedTable;

const std::string& shippedText() {
    return ResourceBench::shippedText("orgs.txt");
}

// Runs first, before other benchmarks leave freed memory for the allocator to reuse. Reading
// the file is part of the cost, as at start.
void residentMemory(benchmark::State& state) {
    for (auto _ : state) {
        double before = residentBytes();
        OrgTable table = shippedTable<OrgTable>("orgs.txt");
        state.counters["extraMB"] = (residentBytes() - before) / 1e6;
        state.counters["rows"] = static_cast<double>(table.count());
    }
}
BENCHMARK(residentMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

// What the program does at start: read the installed file and build the table.
void loadShippedFile(benchmark::State& state) {
    std::string path = Resources::path("orgs.txt");
    OrgTable table;
    for (auto _ : state)
        benchmark::DoNotOptimize(table.loadFile(path));
    state.counters["rows"] = static_cast<double>(table.count());
    state.counters["rejected"] = static_cast<double>(table.rejected());
}
BENCHMARK(loadShippedFile)->Unit(benchmark::kMillisecond);

void loadText(benchmark::State& state) {
    const std::string& text = shippedText();
    OrgTable table;
    for (auto _ : state) {
        table.load(text);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(loadText)->Unit(benchmark::kMicrosecond);

// Hits at several depths and misses that try every parent.
void lookup(benchmark::State& state) {
    OrgTable table(shippedText());
    const std::vector<std::string> hosts = {
        "archive.ubuntu.com",
        "canonical-lgw01.cdn.snapcraftcontent.com",
        "Static.CloudflareInsights.com",
        "rr3---sn-ab5l6n7s.googlevideo.com",
        "a.b.c.d.nobody.example.org",
        "localhost",
    };
    size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(table.lookup(hosts[i++ % hosts.size()]));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(lookup);

} // namespace
