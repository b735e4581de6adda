// SPDX-License-Identifier: GPL-3.0-or-later
#include "flows_watch.h"

#include <algorithm>
#include <chrono>
#include <ostream>
#include <thread>
#include <vector>

#include <unistd.h>

#include "base/dates.h"
#include "base/text.h"
#include "base/utf8.h"
#include "observe/attribution.h"

namespace FlowsWatch {

namespace {

struct Program {
    std::string name;
    size_t connections = 0;
    Rate rate;
};

// The flows of one round as samples for the rate meter, named as the application names them.
std::vector<RateMeter::Sample> samplesOf(const Listers::Listing& listing,
                                         Attribution& attribution) {
    std::vector<RateMeter::Sample> samples;
    for (const auto& [flow, app] : attribution.attribute(listing.flows, {}, Langs::system(),
                                                         std::chrono::system_clock::now()))
        samples.push_back({std::to_string(flow.pid) + "|" + flow.remoteIP + "|" +
                               std::to_string(flow.remotePort) + "|" + flow.proto,
                           app.name, flow.bytesIn, flow.bytesOut});
    return samples;
}

} // namespace

std::string table(const Listers::Listing& listing, const std::vector<RateMeter::Sample>& samples,
                  const std::map<std::string, Rate>& rates, bool first) {
    std::map<std::string, Program> byName;
    for (const RateMeter::Sample& sample : samples) {
        Program& program = byName[sample.program];
        program.name = sample.program;
        ++program.connections;
    }
    std::vector<Program> programs;
    for (auto& [name, program] : byName) {
        if (const auto found = rates.find(name); found != rates.end()) program.rate = found->second;
        programs.push_back(program);
    }
    std::stable_sort(programs.begin(), programs.end(), [](const Program& a, const Program& b) {
        return a.rate.in + a.rate.out > b.rate.in + b.rate.out;
    });
    std::string text = "source: " + listing.source + " · " + std::to_string(programs.size()) +
                       " programs\n" + Utf8::padded("PROGRAM", 28) + Utf8::padded("CONNS", 7) +
                       Utf8::padded("RECEIVED", 14) + "SENT\n";
    for (const Program& program : programs)
        text += Utf8::padded(Text::escapedForTerminal(program.name), 28) +
                Utf8::padded(std::to_string(program.connections), 7) +
                Utf8::padded(first ? "…" : RateText::perSecond(program.rate.in, Lang::en), 14) +
                (first ? "…" : RateText::perSecond(program.rate.out, Lang::en)) + "\n";
    return text;
}

int run(const Options& options, std::ostream& out) {
    const platform::Descriptor& platform = platform::current();
    // On a terminal each table replaces the last; in a file or pipe they follow one another.
    const bool terminal = isatty(STDOUT_FILENO) == 1;
    RateMeter meter;
    SocketOwners owners;
    Attribution attribution;
    for (int round = 0; !options.count || round < *options.count; ++round) {
        if (round > 0) std::this_thread::sleep_for(std::chrono::duration<double>(options.seconds));
        const Listers::Listing listing = Listers::list(platform.listers, owners);
        const std::vector<RateMeter::Sample> samples = samplesOf(listing, attribution);
        const auto rates = meter.update(samples, std::chrono::system_clock::now());
        out << (terminal    ? "\033[H\033[2J"
                : round > 0 ? "\n"
                            : "")
            << table(listing, samples, rates, round == 0) << std::flush;
    }
    return 0;
}

} // namespace FlowsWatch
