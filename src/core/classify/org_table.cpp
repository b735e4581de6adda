// SPDX-License-Identifier: GPL-3.0-or-later
#include "classify/org_table.h"

#include <algorithm>

#include "base/atomic_file.h"
#include "base/net.h"
#include "base/text.h"
#include "base/utf8.h"
#include "classify/known_orgs.h"

namespace {

// Longer names are a mistake in the table; the window has no room for them either.
constexpr size_t maxCompany = 80;
// Patterns are told apart by their number of labels in one 64-bit mask.
constexpr size_t maxPatternLabels = 64;

bool goodCompany(std::string_view company) {
    if (company.empty() || company.size() > maxCompany) return false;
    for (unsigned char c : company)
        if (c < 0x20 || c == 0x7f) return false;
    return Utf8::decodeLossy(company) == company;
}

// The labels of a pattern domain: one "*" in a label other than the last, a valid domain once the
// "*" is filled in, and enough fixed labels after it that it never covers a whole public suffix.
std::optional<std::vector<std::string>> patternLabels(std::string_view domain) {
    if (std::count(domain.begin(), domain.end(), '*') != 1) return std::nullopt;
    std::string filled(domain);
    filled[filled.find('*')] = 'x';
    if (!Net::isValidDomain(filled)) return std::nullopt;
    std::vector<std::string> labels;
    for (std::string_view label : Text::split(domain, '.'))
        labels.emplace_back(label);
    auto at = std::find_if(labels.begin(), labels.end(), [](const std::string& label) {
        return label.find('*') != std::string::npos;
    });
    auto fixedAfter = static_cast<size_t>(labels.end() - at - 1);
    if (fixedAfter < (*at == "*" ? 2u : 1u)) return std::nullopt;
    return labels;
}

// A pattern label's "*" stands for one or more characters.
bool labelMatches(std::string_view pattern, std::string_view label) {
    size_t star = pattern.find('*');
    if (star == std::string_view::npos) return pattern == label;
    std::string_view before = pattern.substr(0, star), after = pattern.substr(star + 1);
    return label.size() > before.size() + after.size() && label.starts_with(before) &&
           label.ends_with(after);
}

// The row of one line, or absent when the line is not a good row.
std::optional<std::pair<std::string, Org>> row(std::string_view line) {
    std::vector<std::string_view> fields = Text::split(line, '\t');
    if (fields.size() != 3) return std::nullopt;
    std::string domain = Text::toLower(Text::trimmed(fields[0]));
    std::optional<Category> category = Categories::from(Text::trimmed(fields[1]));
    std::string_view company = Text::trimmed(fields[2]);
    bool goodDomain = Net::isValidDomain(domain) || patternLabels(domain);
    if (!goodDomain || !category || !goodCompany(company)) return std::nullopt;
    if (*category == Category::local || *category == Category::system ||
        *category == Category::unknown)
        return std::nullopt;
    return std::pair{std::move(domain), Org{std::string(company), *category}};
}

} // namespace

OrgTable::OrgTable(std::string_view text) {
    load(text);
}

void OrgTable::load(std::string_view text) {
    decltype(orgs_) orgs;
    decltype(patterns_) patterns;
    size_t rejected = 0;
    // A pattern is kept when no earlier one has the same labels.
    auto addPattern = [&patterns](std::vector<std::string> labels, Org org) {
        for (const Pattern& known : patterns)
            if (known.labels == labels) return false;
        patterns.push_back({std::move(labels), std::move(org)});
        return true;
    };
    for (std::string_view line : Text::splitNonEmpty(text, '\n')) {
        if (line.back() == '\r') line.remove_suffix(1);
        if (Text::trimmed(line).empty() || line.front() == '#') continue;
        auto parsed = row(line);
        bool added = parsed && (parsed->first.find('*') != std::string::npos
                                    ? addPattern(*patternLabels(parsed->first), parsed->second)
                                    : orgs.insert(std::move(*parsed)).second);
        if (!added) ++rejected;
    }
    orgs_ = std::move(orgs);
    patterns_ = std::move(patterns);
    patternLengths_ = 0;
    for (const Pattern& pattern : patterns_)
        patternLengths_ |= uint64_t{1} << pattern.labels.size();
    rejected_ = rejected;
}

Result<void> OrgTable::loadFile(const std::string& path) {
    Result<std::string> text = AtomicFile::read(path);
    if (!text) return text.error();
    load(*text);
    return {};
}

std::optional<Org> OrgTable::lookup(std::string_view host) const {
    if (orgs_.empty() && patterns_.empty()) return std::nullopt;
    return KnownOrgs::mostSpecific(host, [this](std::string_view domain) { return exact(domain); });
}

std::optional<Org> OrgTable::exact(std::string_view domain) const {
    if (auto found = orgs_.find(domain); found != orgs_.end()) return found->second;
    auto labelCount = static_cast<size_t>(std::count(domain.begin(), domain.end(), '.')) + 1;
    if (labelCount >= maxPatternLabels || !(patternLengths_ >> labelCount & 1u))
        return std::nullopt;
    std::vector<std::string_view> labels = Text::split(domain, '.');
    for (const Pattern& pattern : patterns_)
        if (std::ranges::equal(pattern.labels, labels, labelMatches)) return pattern.org;
    return std::nullopt;
}
