// Parsing speed of the lister outputs over 10,000 generated sockets.
#include <string>

#include <benchmark/benchmark.h>

#include "parsers.h"

namespace {

constexpr int sockets = 10000;

std::string remote(int i) {
    return "203.0." + std::to_string(i / 250 % 250) + "." + std::to_string(i % 250);
}

std::string ssOutput() {
    std::string text;
    for (int i = 0; i < sockets; ++i) {
        text += "tcp   ESTAB 0      0      192.168.1.20:" + std::to_string(40000 + i % 20000) +
                " " + remote(i) +
                ":443 users:((\"firefox-bin\",pid=" + std::to_string(1000 + i % 300) +
                ",fd=" + std::to_string(i % 900) + "))\n";
        text += "\t cubic wscale:7,7 rto:204 rtt:12.5/3.1 ato:40 mss:1448 pmtu:1500 rcvmss:1448 "
                "advmss:1448 cwnd:10 bytes_sent:" +
                std::to_string(i * 37) + " bytes_acked:" + std::to_string(i * 37 + 1) +
                " bytes_received:" + std::to_string(i * 91) +
                " segs_out:40 segs_in:38 data_segs_out:12 send 9.3Mbps lastsnd:120 lastrcv:80 "
                "pacing_rate 18.5Mbps delivery_rate 4.1Mbps rcv_space:14480 minrtt:11.2\n";
    }
    return text;
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
