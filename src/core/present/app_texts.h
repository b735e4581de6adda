// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/lang.h"
#include "base/unusable_file.h"
#include "desktop/desktop.h"
#include "platform.h"

// The application's notifications and questions in both languages, with the wording of each
// operating system side by side.
namespace AppTexts {

std::string blockedTitle(Lang lang);
// "“app” tried to reach dest." with the quotation marks of the language.
std::string blockedBody(std::string_view app, std::string_view dest, Lang lang);
// Title of the tracker notification, the same in both languages.
std::string trackerTitle();

// Whether to allow `dest` for `app`; `sentence` explains the connection. Buttons: allow, block,
// block for this program only (when the program can have rules of its own), ask next time.
Question connectionQuestion(std::string_view app, std::string_view dest, std::string sentence,
                            bool ownRules, Lang lang);
// Whether to install the helper. Buttons: turn on, not now.
Question helperOffer(Lang lang, platform::Wording wording);
// Shown in the administrator's password dialog.
std::string adminPrompt(Lang lang, platform::Wording wording);
// The administrator step failed for `reason`, the system's own words. One button: OK.
Question adminFailure(Lang lang, const std::string& reason);
// A rule for one program could not be made, for `reason`. One button: OK.
Question programRuleRefused(Lang lang, const std::string& reason);
// No rule can be added: `most` rules are kept already. One button: OK.
Question rulesFull(Lang lang, size_t most);

// One line: a data file could not be used, and where its contents are kept.
std::string unusableFileNotice(const UnusableFile::Report& report, Lang lang);
// One line: a file could not be written, and why.
std::string notSavedNotice(const std::string& problem, Lang lang);
// The system journal refuses the records: its namespace is missing or journald is stuck.
std::string exportRefusedNotice(size_t refused, Lang lang);
// One line: the rules were restored from the copy at `path`.
std::string rulesRestoredNotice(const std::string& path, Lang lang);
// Title of the notification that the rules file was set aside at start.
std::string rulesSetAsideTitle(Lang lang);
// Its body: where the unusable file is kept, and the copy at `restoredFrom` the rules came back
// from, or that the blocks stay as last applied.
std::string rulesSetAsideBody(const UnusableFile::Report& report,
                              const std::optional<std::string>& restoredFrom, Lang lang);
// The same for the status line, in few words.
std::string rulesSetAsideLine(const std::optional<std::string>& restoredFrom, Lang lang);

} // namespace AppTexts
