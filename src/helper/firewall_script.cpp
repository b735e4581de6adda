// SPDX-License-Identifier: GPL-3.0-or-later
#include "firewall_script.h"

#include <vector>

namespace FirewallScript {

namespace {

void appendSet(std::string& script, std::string_view name, std::string_view type,
               const std::vector<std::string>& addresses) {
    script.append("\tset ").append(name).append(" {\n\t\ttype ").append(type).append("\n");
    if (!addresses.empty()) {
        script.append("\t\telements = {\n");
        for (const std::string& address : addresses)
            script.append("\t\t\t").append(address).append(",\n");
        script.append("\t\t}\n");
    }
    script.append("\t}\n");
}

void appendChain(std::string& script, std::string_view hook, std::string_view direction) {
    script.append("\tchain ").append(hook).append(" {\n\t\ttype filter hook ").append(hook);
    script.append(" priority 0; policy accept;\n");
    script.append("\t\tip ").append(direction).append(" @blocked4 drop\n");
    script.append("\t\tip6 ").append(direction).append(" @blocked6 drop\n\t}\n");
}

size_t scriptSize(const BlockLines::Entries& entries) {
    size_t size = 512;
    for (const auto* family : {&entries.ipv4, &entries.ipv6})
        for (const std::string& address : *family)
            size += address.size() + 5;
    return size;
}

} // namespace

std::string nftRemove() {
    std::string table(nftTable);
    return "table " + table + "\ndelete table " + table + "\n";
}

std::string nftApply(const BlockLines::Entries& entries) {
    std::string script;
    script.reserve(scriptSize(entries));
    script.append(nftRemove());
    script.append("table ").append(nftTable).append(" {\n");
    appendSet(script, "blocked4", "ipv4_addr", entries.ipv4);
    appendSet(script, "blocked6", "ipv6_addr", entries.ipv6);
    appendChain(script, "output", "daddr");
    appendChain(script, "input", "saddr");
    script.append("}\n");
    return script;
}

std::string pfApply(const BlockLines::Entries& entries) {
    std::string script;
    script.reserve(scriptSize(entries));
    // One address per line; pf takes line breaks inside the braces as separators.
    script.append("table <nattervane> persist {\n");
    for (const auto* family : {&entries.ipv4, &entries.ipv6})
        for (const std::string& address : *family)
            script.append("\t").append(address).append("\n");
    script.append("}\n");
    script.append("block drop out quick to <nattervane>\n");
    script.append("block drop in quick from <nattervane>\n");
    return script;
}

std::optional<std::string> pfToken(std::string_view pfctlOutput) {
    constexpr std::string_view label = "Token : ";
    size_t at = pfctlOutput.find(label);
    if (at == std::string_view::npos) return std::nullopt;
    std::string_view rest = pfctlOutput.substr(at + label.size());
    std::string_view digits = rest.substr(0, rest.find_first_not_of("0123456789"));
    if (digits.empty()) return std::nullopt;
    return std::string(digits);
}

} // namespace FirewallScript
