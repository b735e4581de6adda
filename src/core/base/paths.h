// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

#include "base/result.h"
#include "platform.h"

// Where the application keeps its data. Everything but the helper's status file lies under
// `root`.
struct Paths {
    std::string root;
    // Written by the privileged helper at a fixed system location.
    std::string helperStatus;

    bool operator==(const Paths&) const = default;

    // `root` when given, else $NATTERVANE_HOME when set and not empty, else the platform's
    // default data root.
    explicit Paths(const std::optional<std::string>& root = std::nullopt,
                   const platform::Descriptor& platform = platform::current());

    // Creates `root` with its parents when missing; says why it cannot be used when it is not a
    // folder or this process cannot create, read and write files in it.
    Result<void> prepareRoot() const;

    std::string journal() const { return root + "/journal"; }
    std::string rulesFile() const { return root + "/rules.json"; }
    std::string settingsFile() const { return root + "/settings.json"; }
    std::string helperDir() const { return root + "/helper"; }
    std::string blockIPs() const { return helperDir() + "/block_ips.txt"; }
    std::string blockDomains() const { return helperDir() + "/block_domains.txt"; }
    std::string blockPrograms() const { return helperDir() + "/block_programs.txt"; }
    // Present once the first-run hint on where the icon is has been shown.
    std::string trayHintShown() const { return root + "/tray-hint-shown"; }
    // The lock the running application holds on the folder.
    std::string lockFile() const { return root + "/nattervane.lock"; }
    // The socket of the application running for this folder: in the user's runtime folder
    // ($XDG_RUNTIME_DIR, else /tmp/nattervane-UID), named after the folder's canonical path so
    // that each data folder has its own.
    std::string instanceSocket() const;
    // Makes the socket's folder when missing (mode 0700); says why not when it is not a real
    // folder of this user's that only this user can write in: another user could listen there.
    Result<void> prepareSocketFolder() const;
};
