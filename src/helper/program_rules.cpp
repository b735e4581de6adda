// SPDX-License-Identifier: GPL-3.0-or-later
#include "program_rules.h"

#include <algorithm>
#include <cstring>

#include <arpa/inet.h>
#include <fcntl.h>
#include <sys/socket.h>

#include "base/atomic_file.h"
#include "base/net.h"
#include "base/owned_fd.h"
#include "base/text.h"

namespace ProgramRules {

namespace {

std::optional<Address> parseAddress(std::string_view text) {
    Address address;
    std::string copy(text);
    if (inet_pton(AF_INET, copy.c_str(), address.bytes.data()) == 1) {
        address.family = AF_INET;
        return address;
    }
    if (inet_pton(AF_INET6, copy.c_str(), address.bytes.data()) != 1) return std::nullopt;
    // The kernel side sees a mapped IPv4 address as what an IPv6 socket connects to.
    address.family = AF_INET6;
    return address;
}

bool validProgram(std::string_view path) {
    return path.starts_with('/') && path.find('\0') == std::string_view::npos;
}

std::optional<uint8_t> ruleNamed(std::string_view name) {
    if (name == "block") return NV_RULE_BLOCK;
    if (name == "allow") return NV_RULE_ALLOW;
    if (name == "ask") return NV_RULE_ASK;
    return std::nullopt;
}

bool validTarget(std::string_view target) {
    return target == "*" || parseAddress(target) || Net::isValidDomain(target);
}

// The value of "KEY:<tab>VALUE" in a /proc fdinfo or similar text.
std::optional<uint64_t> field(std::string_view text, std::string_view key) {
    for (std::string_view line : Text::lines(text))
        if (line.starts_with(key) && line.substr(key.size()).starts_with(':'))
            return Text::parseDecimal<uint64_t>(Text::trimmed(line.substr(key.size() + 1)));
    return std::nullopt;
}

// The device ("MAJOR:MINOR") of mount `id` in /proc/self/mountinfo, as the kernel encodes it.
std::optional<uint32_t> mountDevice(uint64_t id) {
    std::string mounts = AtomicFile::read("/proc/self/mountinfo").value_or("");
    for (std::string_view line : Text::lines(mounts)) {
        std::vector<std::string_view> fields = Text::words(line);
        if (fields.size() < 3 || Text::parseDecimal<uint64_t>(fields[0]) != id) continue;
        size_t colon = fields[2].find(':');
        auto major = Text::parseDecimal<uint32_t>(fields[2].substr(0, colon));
        auto minor = colon == std::string_view::npos
                         ? std::nullopt
                         : Text::parseDecimal<uint32_t>(fields[2].substr(colon + 1));
        if (major && minor) return *major << 20 | *minor;
    }
    return std::nullopt;
}

// The keys an address has in the kernel side's map: an IPv4 address is also reached as its
// mapped IPv6 form, by a socket of that family.
std::vector<Address> keysOf(const Address& address) {
    if (address.family != AF_INET) return {address};
    Address mapped{AF_INET6, {}};
    mapped.bytes[10] = mapped.bytes[11] = 0xff;
    std::memcpy(mapped.bytes.data() + 12, address.bytes.data(), 4);
    return {address, mapped};
}

// Whether `name` is `domain` or a name below it.
bool within(std::string_view name, std::string_view domain) {
    return name == domain || (name.size() > domain.size() && name.ends_with(domain) &&
                              name[name.size() - domain.size() - 1] == '.');
}

} // namespace

Parsed parse(std::string_view text) {
    Parsed parsed;
    for (std::string_view line : Text::lines(text)) {
        std::vector<std::string_view> fields = Text::split(line, '\t');
        std::optional<uint8_t> rule = fields.size() == 3 ? ruleNamed(fields[0]) : std::nullopt;
        bool everyOne = rule == NV_RULE_ASK && fields[1] == everyProgram && fields[2] != "*";
        if (!rule || !(everyOne || validProgram(fields[1])) || !validTarget(fields[2])) {
            ++parsed.rejected;
            continue;
        }
        parsed.lines.push_back({*rule, std::string(fields[1]), Text::toLower(fields[2])});
    }
    return parsed;
}

std::optional<Program> resolve(const std::string& path) {
    OwnedFd file(open(path.c_str(), O_PATH | O_CLOEXEC));
    if (!file) return std::nullopt;
    std::string info =
        AtomicFile::read("/proc/self/fdinfo/" + std::to_string(file.get())).value_or("");
    auto inode = field(info, "ino");
    auto mount = field(info, "mnt_id");
    std::optional<uint32_t> device = mount ? mountDevice(*mount) : std::nullopt;
    if (!inode || !device) return std::nullopt;
    return Program{*inode, *device};
}

Tables tables(const std::vector<Line>& lines,
              const std::function<std::optional<Program>(const std::string&)>& resolve,
              const std::unordered_map<std::string, std::string>& names) {
    // A program's rule for a name wins over its rule for an address, and one for a name below a
    // domain over the domain's, as in the application: those are put in later.
    std::vector<const Line*> ordered;
    for (const Line& line : lines)
        ordered.push_back(&line);
    auto rank = [](const Line* line) {
        return parseAddress(line->target) ? 0 : line->target.size() + 1;
    };
    std::stable_sort(ordered.begin(), ordered.end(),
                     [&](const Line* a, const Line* b) { return rank(a) < rank(b); });
    Tables tables;
    std::map<std::string, std::optional<Program>> resolved;
    for (const Line* line : ordered) {
        // Absent for a line for every program.
        std::optional<Program> program;
        if (line->program != everyProgram) {
            auto [found, fresh] = resolved.try_emplace(line->program);
            if (fresh) found->second = resolve(line->program);
            if (!found->second) continue;
            program = found->second;
        }
        auto add = [&](const Address& address) {
            for (const Address& key : keysOf(address))
                if (program)
                    tables.addresses[{*program, key}] = line->rule;
                else
                    tables.destinations[key] = line->rule;
        };
        if (line->target == "*") {
            tables.programs[*program] = line->rule;
        } else if (auto address = parseAddress(line->target)) {
            add(*address);
        } else {
            for (const auto& [ip, name] : names)
                if (within(name, line->target))
                    if (auto looked = parseAddress(ip)) add(*looked);
        }
    }
    return tables;
}

} // namespace ProgramRules
