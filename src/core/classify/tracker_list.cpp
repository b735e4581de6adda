// SPDX-License-Identifier: GPL-3.0-or-later
#include "classify/tracker_list.h"

#include "base/atomic_file.h"
#include "base/text.h"

namespace {

// Room for the shipped lists and their growth, so loading never rehashes.
constexpr size_t reservedDomains = 130000;

} // namespace

TrackerList::TrackerList(std::string_view text) {
    load(text);
}

void TrackerList::load(std::string_view text) {
    std::unordered_map<std::string, char> domains;
    domains.reserve(reservedDomains);
    for (std::string_view line : Text::splitNonEmpty(text, '\n')) {
        if (line.size() < 3 || line.front() == '#') continue;
        domains.insert_or_assign(std::string(line.substr(2)), line.front());
    }
    domains_ = std::move(domains);
}

Result<void> TrackerList::loadFile(const std::string& path) {
    Result<std::string> text = AtomicFile::read(path);
    if (!text) return text.error();
    load(*text);
    return {};
}

std::optional<std::string> TrackerList::match(std::string_view host) const {
    // One lowered copy; parents are probed by cutting its first label in place.
    std::string candidate = Text::toLower(host);
    for (size_t dot = candidate.find('.'); dot != std::string::npos; dot = candidate.find('.')) {
        if (domains_.contains(candidate)) return candidate;
        candidate.erase(0, dot + 1);
    }
    return std::nullopt;
}
