// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/lang.h"
#include "desktop/desktop.h"
#include "platform.h"

// The privileged helper's life cycle: whether it is installed and what its status file says, and
// offering, installing and removing it, each through the administrator's password. What it needs
// of the application comes in as hooks.
class HelperControl {
  public:
    struct Hooks {
        // Asks modally: the index of the button chosen, or absent.
        std::function<std::optional<size_t>(const Question&)> ask;
        std::function<Lang()> lang;
        // Writes the block files the helper reads; done before it is installed.
        std::function<void()> saveRules;
    };
    struct Where {
        const platform::Descriptor* platform = nullptr;
        // The data folder's helper files, which the helper is installed to read.
        std::string dataDir;
        std::string statusFile;
        // Where the install script lives, or absent.
        std::function<std::optional<std::string>()> sourceDir;
        // The user named to the install script.
        std::string loginName;
    };

    HelperControl(Where where, Desktop& desktop, Hooks hooks);

    bool installed() const { return installed_; }
    const std::string& status() const { return status_; }
    std::optional<std::string> sourceDir() const { return where_.sourceDir(); }
    // Reads again whether the helper is installed and its status file.
    void refresh();
    // Asks whether to install the helper, and installs it when the user agrees.
    void offer();
    void install();
    // Runs the installed uninstall script, or the one shipped beside the install script.
    void uninstall();

  private:
    // Runs `words` as the administrator; a failure is said in a box, since otherwise nothing
    // would change and nothing would say why.
    void runAsAdmin(const std::vector<std::string>& words);

    Where where_;
    Desktop& desktop_;
    Hooks hooks_;
    bool installed_ = false;
    std::string status_;
};
