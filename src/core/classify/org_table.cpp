// SPDX-License-Identifier: GPL-3.0-or-later
#include "classify/org_table.h"

#include "base/atomic_file.h"
#include "base/net.h"
#include "base/text.h"
#include "base/utf8.h"
#include "classify/known_orgs.h"

namespace {

// Longer names are a mistake in the table; the window has no room for them either.
constexpr size_t maxCompany = 80;

bool goodCompany(std::string_view company) {
    if (company.empty() || company.size() > maxCompany) return false;
    for (unsigned char c : company)
        if (c < 0x20 || c == 0x7f) return false;
    return Utf8::decodeLossy(company) == company;
}

// The row of one line, or absent when the line is not a good row.
std::optional<std::pair<std::string, Org>> row(std::string_view line) {
    std::vector<std::string_view> fields = Text::split(line, '\t');
    if (fields.size() != 3) return std::nullopt;
    std::string domain = Text::toLower(Text::trimmed(fields[0]));
    std::optional<Category> category = Categories::from(Text::trimmed(fields[1]));
    std::string_view company = Text::trimmed(fields[2]);
    if (!Net::isValidDomain(domain) || !category || !goodCompany(company)) return std::nullopt;
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
    size_t rejected = 0;
    for (std::string_view line : Text::splitNonEmpty(text, '\n')) {
        if (line.back() == '\r') line.remove_suffix(1);
        if (Text::trimmed(line).empty() || line.front() == '#') continue;
        auto parsed = row(line);
        if (!parsed || !orgs.insert(std::move(*parsed)).second) ++rejected;
    }
    orgs_ = std::move(orgs);
    rejected_ = rejected;
}

Result<void> OrgTable::loadFile(const std::string& path) {
    Result<std::string> text = AtomicFile::read(path);
    if (!text) return text.error();
    load(*text);
    return {};
}

std::optional<Org> OrgTable::lookup(std::string_view host) const {
    if (orgs_.empty()) return std::nullopt;
    return KnownOrgs::coveringEntry(orgs_, host);
}
