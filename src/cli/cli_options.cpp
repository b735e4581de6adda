// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli_options.h"

#include <charconv>
#include <ostream>

#include "base/resources.h"

namespace CliOptions {

std::optional<std::string> Parser::next() {
    if (position_ >= arguments_.size()) return std::nullopt;
    return arguments_[position_++];
}

std::optional<std::string> Parser::value() {
    return next();
}

std::optional<double> Parser::seconds() {
    std::optional<std::string> text = value();
    if (!text) return std::nullopt;
    double number = 0;
    auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), number);
    if (error != std::errc{} || end != text->data() + text->size() || !(number >= 0) || number > 60)
        return std::nullopt;
    return number;
}

std::optional<Lang> lang(const std::optional<std::string>& text) {
    return text ? Langs::from(*text) : std::nullopt;
}

std::shared_ptr<const TrackerList> shippedTrackers(std::ostream& err) {
    auto trackers = std::make_shared<TrackerList>();
    std::string path = Resources::path("trackers.txt");
    if (Result<void> loaded = trackers->loadFile(path); !loaded)
        err << "nattervane-cli: the tracker list " << path << " could not be read ("
            << loaded.error().message << "); no domain counts as listed\n";
    return trackers;
}

std::shared_ptr<const OrgTable> shippedOrgTable(std::ostream& err) {
    auto orgs = std::make_shared<OrgTable>();
    std::string path = Resources::path("orgs.txt");
    Result<void> loaded = orgs->loadFile(path);
    if (!loaded)
        err << "nattervane-cli: the organisation table " << path << " could not be read ("
            << loaded.error().message << "); only the built-in domains are known\n";
    else if (orgs->rejected() > 0)
        err << "nattervane-cli: the organisation table " << path << " has " << orgs->rejected()
            << " bad lines, skipped\n";
    return orgs;
}

} // namespace CliOptions
