// SPDX-License-Identifier: GPL-3.0-or-later
#include "flows_command.h"

#include <chrono>
#include <ostream>

#include <nlohmann/json.hpp>

#include "base/json_text.h"
#include "base/text.h"
#include "base/utf8.h"
#include "cli_options.h"
#include "flows_watch.h"
#include "json_fields.h"
#include "observe/attribution.h"
#include "usage.h"

namespace FlowsCommand {

namespace {

constexpr double minimumWatchSeconds = 0.5;

std::string endpointText(const Flow& flow) {
    bool ipv6 = flow.remoteIP.find(':') != std::string::npos;
    std::string host = ipv6 ? "[" + flow.remoteIP + "]" : flow.remoteIP;
    return host + ":" + std::to_string(flow.remotePort);
}

} // namespace

void print(const Listers::Listing& listing, bool json, std::ostream& out, std::ostream& err) {
    const std::string& source = listing.source;
    for (const std::string& problem : listing.problems)
        err << "nattervane-cli: not listed by " << problem << "\n";
    Attribution attribution;
    std::vector<Attribution::Owned> owned =
        attribution.attribute(listing.flows, {}, Langs::system(), std::chrono::system_clock::now());
    if (json) {
        nlohmann::json flows = nlohmann::json::array();
        for (const auto& [flow, app] : owned)
            flows.push_back(JsonFields::flow(flow, app.name));
        out << JsonText::dump(flows, 2) << "\n";
        err << "source: " << source << "\n";
        return;
    }
    out << "source: " << source << " (" << owned.size() << " flows)\n";
    if (owned.empty()) return;
    out << Utf8::padded("PID", 8) << Utf8::padded("PROGRAM", 28) << Utf8::padded("PROTO", 6)
        << Utf8::padded("REMOTE", 46) << Utf8::padded("IN", 12) << "OUT\n";
    for (const auto& [flow, app] : owned)
        out << Utf8::padded(std::to_string(flow.pid), 8)
            << Utf8::padded(Text::escapedForTerminal(app.name), 28) << Utf8::padded(flow.proto, 6)
            << Utf8::padded(endpointText(flow), 46)
            << Utf8::padded(std::to_string(flow.bytesIn), 12) << flow.bytesOut << "\n";
}

int run(const std::vector<std::string>& options, std::ostream& out, std::ostream& err) {
    bool json = false;
    std::optional<FlowsWatch::Options> watch;
    CliOptions::Parser parser(options);
    while (auto option = parser.next()) {
        if (*option == "--json") {
            json = true;
        } else if (*option == "--watch") {
            auto seconds = parser.seconds();
            if (!seconds || *seconds < minimumWatchSeconds)
                return Usage::fail(err, "flows",
                                   "--watch takes a number of seconds from 0.5 to 60");
            watch = watch.value_or(FlowsWatch::Options{});
            watch->seconds = *seconds;
        } else if (*option == "--count") {
            auto count = parser.value();
            auto number = count ? Text::parseDecimal<int>(*count) : std::nullopt;
            if (!number || *number < 1)
                return Usage::fail(err, "flows", "--count takes a whole number");
            watch = watch.value_or(FlowsWatch::Options{});
            watch->count = *number;
        } else {
            return Usage::fail(err, "flows", "unknown option for flows: " + *option);
        }
    }
    if (watch && json) return Usage::fail(err, "flows", "--watch and --json cannot go together");
    if (watch) return FlowsWatch::run(*watch, out);
    const platform::Descriptor& platform = platform::current();
    print(Listers::list(platform.listers), json, out, err);
    return 0;
}

} // namespace FlowsCommand
