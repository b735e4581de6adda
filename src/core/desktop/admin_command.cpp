// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/admin_command.h"

#include <algorithm>

#include "base/text.h"

namespace AdminCommand {

Words install(const std::string& helperDir, const std::string& blockDir, const std::string& login) {
    return {helperDir + "/nv-install.sh", blockDir, login};
}

Words uninstall(const std::string& script) {
    return {script};
}

namespace {

constexpr size_t reasonLines = 4;

} // namespace

Result<void> outcome(const Result<ToolRunner::Outcome>& ran, std::optional<int> cancelled) {
    if (!ran) return ran.error();
    const int status = ran->status;
    if (status == 0 || status == cancelled) return {};
    std::vector<std::string_view> lines;
    for (std::string_view line : Text::splitNonEmpty(ran->errors, '\n'))
        if (std::string_view trimmed = Text::trimmed(line); !trimmed.empty())
            lines.push_back(trimmed);
    // The last few lines: a script's own message comes last, a long log would drown it.
    std::string reason;
    for (auto line = lines.end() - std::min(lines.size(), reasonLines); line != lines.end(); ++line)
        reason.append(reason.empty() ? "" : "\n").append(*line);
    if (!reason.empty()) return Error{0, reason};
    if (status < 0) return Error{0, "the administrator step did not finish"};
    return Error{0, "the administrator step ended with status " + std::to_string(status)};
}

} // namespace AdminCommand
