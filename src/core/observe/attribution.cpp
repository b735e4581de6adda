// SPDX-License-Identifier: GPL-3.0-or-later
#include "observe/attribution.h"

namespace {

void takeEvent(Flow& flow, const ConnectEvent& event) {
    flow.pid = event.pid;
    flow.process = event.comm;
    flow.exePath = event.exePath;
}

} // namespace

Flow Attribution::flowOf(const ConnectEvent& event) {
    Flow flow{event.pid, event.comm, event.proto, event.remoteIP, event.remotePort, 0, 0};
    flow.facts.cookie = event.cookie;
    flow.facts.uid = event.uid;
    flow.facts.cgroupId = event.cgroupId;
    flow.exePath = event.exePath;
    return flow;
}

Attribution::Attribution(PidPath pidPath, const platform::Descriptor& platform,
                         SocketOrigins origins)
    : pidPath_(std::move(pidPath)), platform_(&platform), origins_(std::move(origins)) {}

Attribution::Attribution(const platform::Descriptor& platform)
    : Attribution([&platform](int32_t pid) { return ::pidPath(pid, platform); }, platform,
                  SocketOrigins::of(platform)) {}

bool Attribution::toldByEvents(uint64_t cookie,
                               const std::unordered_set<uint64_t>& eventCookies) const {
    return cookie && (eventCookies.contains(cookie) || memory_.toldByEvent(cookie));
}

AppIdentity Attribution::programIdentity(const Flow& flow, Lang lang) {
    std::string key = flow.exePath ? "e" + *flow.exePath + "|" + flow.process
                                   : "p" + std::to_string(flow.pid) + "|" + flow.process;
    auto found = used_.find(key);
    if (found != used_.end()) return found->second;
    auto kept = identities_.find(key);
    AppIdentity identity = kept != identities_.end()
                               ? kept->second
                               : AppIdentity::from(flow.exePath ? flow.exePath : pidPath_(flow.pid),
                                                   flow.process, lang, *platform_);
    used_.emplace(std::move(key), identity);
    return identity;
}

void Attribution::useLang(Lang lang) {
    if (lang != lang_) identities_.clear();
    lang_ = lang;
}

AppIdentity Attribution::eventIdentity(const Flow& flow, Lang lang, Dates::TimePoint now) {
    AppIdentity app = programIdentity(flow, lang);
    memory_.remember(flow, {flow.pid, app, true}, now);
    return app;
}

std::vector<Attribution::Owned>
Attribution::attributeEvents(const std::vector<ConnectEvent>& events, Lang lang,
                             Dates::TimePoint now) {
    useLang(lang);
    std::unordered_map<uint64_t, const ConnectEvent*> newest;
    for (const ConnectEvent& event : events)
        if (event.cookie) newest[event.cookie] = &event;
    std::vector<Owned> owned;
    for (const ConnectEvent& event : events)
        if (!event.cookie || newest[event.cookie] == &event) {
            Flow flow = flowOf(event);
            AppIdentity app = eventIdentity(flow, lang, now);
            owned.push_back({std::move(flow), std::move(app)});
        }
    // Kept for the next scan, which keeps what it uses.
    identities_.merge(used_);
    used_.clear();
    return owned;
}

std::vector<Attribution::Owned> Attribution::attribute(std::vector<Flow> flows,
                                                       const std::vector<ConnectEvent>& events,
                                                       Lang lang, Dates::TimePoint now) {
    useLang(lang);
    used_.clear();
    origins_.nextScan();
    memory_.expire(now);
    // The newest event of each socket; the others of it add nothing.
    std::unordered_map<uint64_t, const ConnectEvent*> newest;
    for (const ConnectEvent& event : events)
        if (event.cookie) newest[event.cookie] = &event;
    std::unordered_set<uint64_t> joined;
    for (Flow& flow : flows)
        if (auto event = newest.find(flow.facts.cookie);
            flow.facts.cookie && event != newest.end()) {
            takeEvent(flow, *event->second);
            joined.insert(flow.facts.cookie);
        }
    for (const ConnectEvent& event : events)
        if (!event.cookie || (newest[event.cookie] == &event && !joined.contains(event.cookie)))
            flows.push_back(flowOf(event));

    std::vector<Owned> owned;
    owned.reserve(flows.size());
    for (Flow& flow : flows) {
        bool fromEvent = flow.facts.cookie && newest.contains(flow.facts.cookie);
        AppIdentity app;
        if (flow.exePath || (flow.pid > 0 && flow.process != "?")) {
            app = programIdentity(flow, lang);
            memory_.remember(flow, {flow.pid, app, fromEvent}, now);
        } else if (auto recalled = memory_.recallAgain(flow, now)) {
            flow.pid = recalled->pid;
            app = std::move(recalled->app);
        } else {
            app =
                flow.facts.closed ? AppIdentity::unseen(lang) : origins_.identity(flow.facts, lang);
        }
        owned.push_back({std::move(flow), std::move(app)});
    }
    identities_ = std::move(used_);
    used_ = {};
    return owned;
}
