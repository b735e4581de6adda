// SPDX-License-Identifier: GPL-3.0-or-later
#include "watch_command.h"

#include <chrono>
#include <optional>
#include <ostream>
#include <set>
#include <thread>
#include <variant>

#include <nlohmann/json.hpp>

#include "base/json_text.h"
#include "base/text.h"
#include "classify/known_orgs.h"
#include "cli_options.h"
#include "cli_texts.h"
#include "json_fields.h"
#include "observe/attribution.h"
#include "observe/event_feed.h"
#include "observe/scanner.h"
#include "present/explainer.h"
#include "usage.h"

namespace WatchCommand {

namespace {

using namespace std::chrono_literals;

constexpr auto eventPeriod = 200ms;
constexpr auto scanPeriod = 1s;

struct WatchOptions {
    bool includeLocal = false;
    bool json = false;
    Lang lang = Langs::system();
    // Connections to show before ending; absent for until interrupted.
    std::optional<int> count;
};

void print(const Connection& connection, Dates::TimePoint at, const WatchOptions& options,
           std::ostream& out) {
    if (options.json) {
        nlohmann::json json = JsonFields::connection(connection);
        json["at"] = Dates::iso8601(at);
        out << JsonText::dump(json) << std::endl;
        return;
    }
    const Verdict& verdict = connection.verdict;
    const Lang lang = options.lang;
    std::string line =
        connection.app.name + " (" + CliTexts::processes(std::to_string(connection.pid), 1, lang) +
        ")  " + connection.dest() + ":" + std::to_string(connection.port) + " " + connection.proto +
        (connection.incoming ? " " + CliTexts::word(CliTexts::Word::incoming, lang) : "") + "  " +
        Explainer::label(verdict.category, lang);
    if (verdict.company) line += " · " + *verdict.company;
    out << CliTexts::clockTime(at) << "  " << Text::escapedForTerminal(line) << "\n          "
        << Text::escapedForTerminal(Explainer::sentence(connection, lang)) << std::endl;
}

// Says once each time where the connections come from.
class Narrator {
  public:
    Narrator(std::ostream& err, Lang lang) : err_(err), lang_(lang) {}
    void tell(const EventFeed& feed) {
        if (said_ && feed.state() == state_) return;
        said_ = true;
        state_ = feed.state();
        using CliTexts::Word;
        if (!feed.live() && !feed.problem().empty())
            err_ << "nattervane-cli: " << feed.problem() << "\n";
        err_ << "nattervane-cli: "
             << CliTexts::word(feed.live() ? Word::watchingEvents : Word::watchingScans, lang_)
             << "\n";
    }

  private:
    std::ostream& err_;
    Lang lang_;
    bool said_ = false;
    EventFeed::State state_ = EventFeed::State::absent;
};

// The options, or what is wrong with them.
std::variant<WatchOptions, std::string> parse(const std::vector<std::string>& arguments) {
    WatchOptions options;
    CliOptions::Parser parser(arguments);
    while (auto option = parser.next()) {
        if (*option == "--local") {
            options.includeLocal = true;
        } else if (*option == "--json") {
            options.json = true;
        } else if (*option == "--lang") {
            auto lang = CliOptions::lang(parser.value());
            if (!lang) return std::string("--lang takes en or ru");
            options.lang = *lang;
        } else if (*option == "--count") {
            auto count = parser.value();
            auto number = count ? Text::parseDecimal<int>(*count) : std::nullopt;
            if (!number || *number < 1) return std::string("--count takes a whole number");
            options.count = *number;
        } else {
            return "unknown option for watch: " + *option;
        }
    }
    return options;
}

} // namespace

int run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    std::variant<WatchOptions, std::string> parsed = parse(arguments);
    if (auto* problem = std::get_if<std::string>(&parsed))
        return Usage::fail(err, "watch", *problem);
    auto* options = &std::get<WatchOptions>(parsed);
    // The scanner lists and names; the events come from this command's own feed.
    ScannerOptions scannerOptions;
    scannerOptions.lang = options->lang;
    scannerOptions.eventsSocket = "";
    Scanner scanner(CliOptions::shippedTrackers(err), std::move(scannerOptions));
    scanner.setOrgTable(CliOptions::shippedOrgTable(err));
    scanner.resolver().prime(KnownOrgs::watchDomains());
    EventFeed feed(platform::current().eventsSocketPath);
    Narrator narrator(err, options->lang);
    // What scans showed already: a connection is new once per program, destination and port.
    std::set<std::string> shown;
    int left = options->count.value_or(-1);
    while (left != 0) {
        std::vector<ConnectEvent> events = feed.take();
        narrator.tell(feed);
        std::vector<Connection> connections;
        std::vector<Dates::TimePoint> times;
        if (feed.live()) {
            for (const ConnectEvent& event : events)
                for (Connection& connection :
                     scanner.connections({Attribution::flowOf(event)}, options->includeLocal)) {
                    connections.push_back(std::move(connection));
                    times.push_back(event.at);
                }
        } else {
            for (Connection& connection : scanner.scan(options->includeLocal)) {
                std::string key = connection.app.name + "|" + connection.ip + "|" +
                                  std::to_string(connection.port) + "|" + connection.proto;
                if (!shown.insert(key).second) continue;
                connections.push_back(std::move(connection));
                times.push_back(std::chrono::system_clock::now());
            }
        }
        for (size_t i = 0; i < connections.size() && left != 0; ++i, --left)
            print(connections[i], times[i], *options, out);
        if (left != 0) std::this_thread::sleep_for(feed.live() ? eventPeriod : scanPeriod);
    }
    return 0;
}

} // namespace WatchCommand
