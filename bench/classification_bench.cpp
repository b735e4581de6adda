// SPDX-License-Identifier: GPL-3.0-or-later
// Classification speed: one verdict with a host, with and without the organisation table, and the
// processing of a 2,000-flow scan.
#include <benchmark/benchmark.h>

#include "classify/classifier.h"
#include "observe/scanner.h"
#include "resource_bench.h"

namespace {

const TrackerList& shippedTrackers() {
    static const TrackerList list = ResourceBench::shippedTable<TrackerList>("trackers.txt");
    return list;
}

const OrgTable& shippedOrgs() {
    static const OrgTable table = ResourceBench::shippedTable<OrgTable>("orgs.txt");
    return table;
}

// Built-in rows, tracker-list hosts, organisation-table hosts at several depths and hosts that
// nobody knows, so every table is walked to its end at least once.
void classifyWithHost(benchmark::State& state, bool withTable) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {"203.0.113.5", "www.google-analytics.com"},
        {"104.16.1.1", "cdn.unlisted.example"},
        {"151.101.1.1", "dpm.demdex.net"},
        {"203.0.113.9", "nobody.example.org"},
        {"17.57.146.20", "metrics.xp.apple.com"},
        {"142.250.1.1", "www.google.com"},
        {"203.0.113.7", "canonical-lgw01.cdn.snapcraftcontent.com"},
        {"203.0.113.7", "popcon.ubuntu.com"},
        {"151.101.1.1", "static.cloudflareinsights.com"},
        {"203.0.113.7", "a.very.deep.host.under.nobody.example.net"}};
    const TrackerList& trackers = shippedTrackers();
    const OrgTable* orgs = withTable ? &shippedOrgs() : nullptr;
    size_t i = 0;
    for (auto _ : state) {
        const auto& [ip, host] = cases[i++ % cases.size()];
        benchmark::DoNotOptimize(Classifier::classify(ip, host, &trackers, orgs));
    }
}

std::vector<Flow> flows() {
    std::vector<Flow> list;
    for (int i = 0; i < 2000; ++i)
        list.push_back({1000 + i % 40, "app" + std::to_string(i % 40), i % 3 ? "tcp" : "udp",
                        "203.0." + std::to_string(i / 250) + "." + std::to_string(i % 250),
                        443 + i % 2, i * 10, i * 3});
    return list;
}

void scanOf2000Flows(benchmark::State& state) {
    ScannerOptions options;
    options.lookups = {[](const std::string&) { return std::optional<std::string>(); },
                       [](const std::string&) { return std::vector<std::string>(); }};
    Scanner scanner(std::make_shared<TrackerList>(shippedTrackers()), options);
    scanner.setOrgTable(std::make_shared<OrgTable>(shippedOrgs()));
    std::vector<Flow> listed = flows();
    scanner.connections(listed, false);
    scanner.resolver().waitIdle(std::chrono::seconds(10));
    for (auto _ : state)
        benchmark::DoNotOptimize(scanner.connections(listed, false));
}

} // namespace

BENCHMARK_CAPTURE(classifyWithHost, builtInOnly, false);
BENCHMARK_CAPTURE(classifyWithHost, withOrgTable, true);
BENCHMARK(scanOf2000Flows)->Unit(benchmark::kMillisecond);
