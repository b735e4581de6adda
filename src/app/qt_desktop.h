// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "desktop/desktop.h"

// What plain Qt does alike on every system: questions as message boxes, web addresses through
// the system's browser. Each system's desktop adds notifications and administrator commands.
class QtDesktop : public Desktop {
  public:
    std::optional<size_t> ask(const Question& question) override;
    void openUrl(const std::string& url) override;

  protected:
    // Long enough to type a password; an administrator command is ended after it.
    static constexpr double adminTimeout = 600;
};
