// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "classify/org_table.h"
#include "classify/tracker_list.h"
#include "classify/verdict.h"

// Who is on the other side of a connection, from its address, host name, the tracker list and
// the shipped organisation table.
namespace Classifier {

// The organisation table counts as part of the domain table: the most specific domain of the
// two covering the host wins, and of the same domain the built-in row. `trackers` and `orgs` may
// be null.
Verdict classify(std::string_view ip, const std::optional<std::string>& host,
                 const TrackerList* trackers, const OrgTable* orgs = nullptr);

} // namespace Classifier
