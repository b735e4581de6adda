#include "flows_command.h"

#include <map>
#include <ostream>

#include <nlohmann/json.hpp>

#include "app_identity.h"
#include "json_text.h"
#include "usage.h"

namespace FlowsCommand {

namespace {

std::string endpointText(const Flow& flow) {
    bool ipv6 = flow.remoteIP.find(':') != std::string::npos;
    std::string host = ipv6 ? "[" + flow.remoteIP + "]" : flow.remoteIP;
    return host + ":" + std::to_string(flow.remotePort);
}

std::string padded(std::string text, size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

} // namespace

void print(const Listers::Listing& listing, bool json, std::ostream& out, std::ostream& err) {
    const std::string& source = listing.source;
    if (json) {
        out << JsonText::dump(listing.flows, 2) << "\n";
        err << "source: " << source << "\n";
        return;
    }
    out << "source: " << source << " (" << listing.flows.size() << " flows)\n";
    if (listing.flows.empty()) return;
    out << padded("PID", 8) << padded("PROGRAM", 28) << padded("PROTO", 6) << padded("REMOTE", 46)
        << padded("IN", 12) << "OUT\n";
    std::map<int32_t, std::string> names;
    for (const Flow& flow : listing.flows) {
        auto [name, fresh] = names.try_emplace(flow.pid);
        if (fresh) name->second = AppIdentity::from(pidPath(flow.pid), flow.process).name;
        out << padded(std::to_string(flow.pid), 8) << padded(name->second, 28)
            << padded(flow.proto, 6) << padded(endpointText(flow), 46)
            << padded(std::to_string(flow.bytesIn), 12) << flow.bytesOut << "\n";
    }
}

int run(const std::vector<std::string>& options, std::ostream& out, std::ostream& err) {
    bool json = false;
    for (const std::string& option : options) {
        if (option != "--json") return Usage::fail(err, "unknown option for flows: " + option);
        json = true;
    }
    const platform::Descriptor& platform = platform::current();
    print(Listers::list(platform.listers), json, out, err);
    return 0;
}

} // namespace FlowsCommand
