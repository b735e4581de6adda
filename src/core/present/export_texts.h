// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/lang.h"
#include "store/rule.h"

// The words of the system journal switch and of the records written there, in both languages.
namespace ExportTexts {

// The switch's label.
std::string switchLabel(Lang lang);
// Who can read the system journal here: root and `groups`.
std::string readers(const std::vector<std::string>& groups, Lang lang);
// `nattervane-cli export status`: on or off, and whether the journal's socket is there.
std::string status(bool on, std::string_view socket, bool present, Lang lang);
// The sentence of a rule record: `action` absent when the rule was removed.
std::string ruleSentence(std::string_view target, const std::optional<std::string>& program,
                         std::optional<RuleAction> action, Lang lang);
// The sentence of an answered question: `answer` is the button's text, absent when closed.
std::string answerSentence(std::string_view app, std::string_view dest,
                           const std::optional<std::string>& answer, Lang lang);

} // namespace ExportTexts
