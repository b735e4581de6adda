// SPDX-License-Identifier: GPL-3.0-or-later
#include "helper_control.h"

#include <filesystem>
#include <system_error>

#include "base/atomic_file.h"
#include "base/text.h"
#include "desktop/admin_command.h"
#include "present/app_texts.h"

namespace {

bool fileExists(const std::string& path) {
    std::error_code ignored;
    return std::filesystem::exists(path, ignored);
}

} // namespace

HelperControl::HelperControl(Where where, Desktop& desktop, Hooks hooks)
    : where_(std::move(where)), desktop_(desktop), hooks_(std::move(hooks)) {}

void HelperControl::refresh() {
    installed_ = fileExists(where_.platform->helperInstalledPath);
    status_ = Text::trimmed(AtomicFile::read(where_.statusFile).value_or(""));
}

void HelperControl::offer() {
    if (hooks_.ask(AppTexts::helperOffer(hooks_.lang(), where_.platform->wording)) == 0) install();
}

void HelperControl::install() {
    std::optional<std::string> dir = sourceDir();
    if (!dir) return;
    hooks_.saveRules();
    runAsAdmin(AdminCommand::install(*dir, where_.dataDir, where_.loginName));
    refresh();
}

void HelperControl::uninstall() {
    std::string script = where_.platform->helperUninstallPath;
    if (std::optional<std::string> dir = sourceDir(); !fileExists(script) && dir)
        script = *dir + "/nv-uninstall.sh";
    if (fileExists(script)) runAsAdmin(AdminCommand::uninstall(script));
    refresh();
}

void HelperControl::runAsAdmin(const std::vector<std::string>& words) {
    Result<void> ran =
        desktop_.runAsAdmin(words, AppTexts::adminPrompt(hooks_.lang(), where_.platform->wording));
    if (!ran) hooks_.ask(AppTexts::adminFailure(hooks_.lang(), ran.error().message));
}
