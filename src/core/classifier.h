#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "tracker_list.h"
#include "verdict.h"

// Who is on the other side of a connection, from its address, host name and the tracker list.
namespace Classifier {

Verdict classify(std::string_view ip, const std::optional<std::string>& host,
                 const TrackerList* trackers);

} // namespace Classifier
