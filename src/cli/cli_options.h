// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/lang.h"
#include "classify/org_table.h"
#include "classify/tracker_list.h"

// Reading command-line options and the shared resources the commands use.
namespace CliOptions {

// Walks the options of one command; `value()` takes the argument after the current option.
class Parser {
  public:
    explicit Parser(std::vector<std::string> arguments) : arguments_(std::move(arguments)) {}

    std::optional<std::string> next();
    std::optional<std::string> value();
    // A number of seconds from 0 to 60.
    std::optional<double> seconds();

  private:
    std::vector<std::string> arguments_;
    size_t position_ = 0;
};

std::optional<Lang> lang(const std::optional<std::string>& text);

// The tracker list shipped with the program; empty (with a note on `err`) when unreadable.
std::shared_ptr<const TrackerList> shippedTrackers(std::ostream& err);

// The organisation table shipped with the program; empty (with a note on `err`) when unreadable,
// and a note on `err` when it has bad lines.
std::shared_ptr<const OrgTable> shippedOrgTable(std::ostream& err);

} // namespace CliOptions
