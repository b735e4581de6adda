// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/lang.h"
#include "platform.h"

// The names the system's own files give to what runs: a systemd unit's Description= and a
// desktop application's Name=, each file read once.
class UnitNames {
  public:
    using Folders = platform::NamingFolders;

    explicit UnitNames(Folders folders) : folders_(std::move(folders)) {}

    // The description of `unit` ("getty@tty1.service" falls back to "getty@.service", with the
    // instance put in for "%i" and "%I"); absent when no file of it tells one.
    std::optional<std::string> description(const std::string& unit, bool system);
    // The name the desktop entry "ID.desktop" gives, in `lang` when it has one in it.
    std::optional<std::string> application(const std::string& id, Lang lang);

  private:
    std::optional<std::string> read(const std::vector<std::string>& folders,
                                    const std::string& file, const char* section,
                                    const std::vector<std::string>& keys);

    Folders folders_;
    // Each file's answer, kept; bounded by the units and applications of the system.
    std::unordered_map<std::string, std::optional<std::string>> known_;
};
