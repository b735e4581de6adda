// SPDX-License-Identifier: GPL-3.0-or-later
#include "classify/public_suffixes.h"

#include <algorithm>

#include "base/atomic_file.h"
#include "base/net.h"
#include "base/text.h"
#include "platform.h"

namespace {

// The parent of a name: everything after its first dot, or empty for a single label.
std::string_view parent(std::string_view name) {
    size_t dot = name.find('.');
    return dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
}

size_t labelCount(std::string_view name) {
    return static_cast<size_t>(std::count(name.begin(), name.end(), '.')) + 1;
}

} // namespace

PublicSuffixes::PublicSuffixes(std::string_view text) {
    load(text);
}

void PublicSuffixes::load(std::string_view text) {
    decltype(rules_) rules, wildcards, exceptions;
    for (std::string_view line : Text::lines(text)) {
        std::vector<std::string_view> words = Text::words(line);
        if (words.empty() || words[0].starts_with("//")) continue;
        std::string rule = Text::toLower(words[0]);
        if (rule.starts_with("!"))
            exceptions.insert(rule.substr(1));
        else if (rule.starts_with("*."))
            wildcards.insert(rule.substr(2));
        else
            rules.insert(std::move(rule));
    }
    rules_ = std::move(rules);
    wildcards_ = std::move(wildcards);
    exceptions_ = std::move(exceptions);
}

Result<void> PublicSuffixes::loadFile(const std::string& path) {
    Result<std::string> text = AtomicFile::read(path);
    if (!text) return text.error();
    load(*text);
    return {};
}

size_t PublicSuffixes::suffixLabels(std::string_view host) const {
    // Walks the host's suffixes, longest first; an exception decides at once, otherwise the
    // longest rule wins, and with none the last label alone is the suffix.
    for (std::string_view name = host; !name.empty(); name = parent(name)) {
        std::string key(name);
        if (exceptions_.contains(key)) return labelCount(name) - 1;
        if (rules_.contains(key) || wildcards_.contains(std::string(parent(name))))
            return labelCount(name);
    }
    return 1;
}

std::optional<std::string> PublicSuffixes::registrableDomain(std::string_view host) const {
    if (empty() || Net::isValidIP(host)) return std::nullopt;
    std::string lowered = Text::toLower(host);
    if (lowered.empty() || lowered.front() == '.' || lowered.back() == '.') return std::nullopt;
    size_t labels = labelCount(lowered), suffix = suffixLabels(lowered);
    if (labels <= suffix) return std::nullopt;
    // Keep the suffix and the one label before it.
    std::string_view domain = lowered;
    for (size_t drop = labels - suffix - 1; drop > 0; --drop)
        domain = parent(domain);
    return std::string(domain);
}

const PublicSuffixes& PublicSuffixes::system() {
    static const PublicSuffixes list = [] {
        PublicSuffixes loaded;
        if (const std::string& path = platform::current().publicSuffixListPath; !path.empty())
            (void)loaded.loadFile(path);
        return loaded;
    }();
    return list;
}
