// SPDX-License-Identifier: GPL-3.0-or-later
// Parsing speed of the lister outputs over 20,000 generated sockets.
#include <string>

#include <benchmark/benchmark.h>

#include "observe/parsers.h"
#include "ss_fixture.h"

namespace {

constexpr int sockets = 20000;

std::string remote(int i) {
    return "203.0." + std::to_string(i / 250 % 250) + "." + std::to_string(i % 250);
}

std::string ssOutput() {
    return ssFixture(sockets);
}

std::string lsofOutput() {
    std::string text;
    for (int i = 0; i < sockets; ++i) {
        if (i % 30 == 0) text += "p" + std::to_string(1000 + i) + "\ncfirefox-bin\n";
        text += "f" + std::to_string(i % 900) +
                "\nPTCP\nn192.168.1.20:" + std::to_string(40000 + i % 20000) + "->" + remote(i) +
                ":443\nTST=ESTABLISHED\nTQR=0\nTQS=0\n";
    }
    return text;
}

void run(benchmark::State& state, const std::string& text,
         std::vector<Flow> (*parse)(std::string_view)) {
    for (auto _ : state)
        benchmark::DoNotOptimize(parse(text));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
    state.counters["flows"] = static_cast<double>(parse(text).size());
}

void parseSs(benchmark::State& state) {
    run(state, ssOutput(), Parsers::parseSs);
}
void parseLsof(benchmark::State& state) {
    run(state, lsofOutput(), Parsers::parseLsof);
}

} // namespace

BENCHMARK(parseSs)->Unit(benchmark::kMillisecond);
BENCHMARK(parseLsof)->Unit(benchmark::kMillisecond);
