// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform.h"

// Files shipped beside the program (tracker list, helper scripts).
namespace Resources {

// The shipped copy in the first of the platform's resource folders beside the executable that
// holds it as a regular file (on Linux `<executable's dir>/../share/nattervane/<name>`, then
// `<executable's dir>/<name>`), otherwise the copy in the source tree's resources folder, which
// is how programs run from the build tree find it.
std::string path(std::string_view name);

// As `path`, for the given executable path instead of this process's.
std::string path(std::string_view name, const std::string& executable);

// Where the helper's install script lives: the `helper` folder in the first of the platform's
// resource folders that holds "helper/nv-install.sh"; otherwise, when the source tree's
// resources folder holds the tracker list, the source tree's helper folder for `platform`
// (unchecked); otherwise absent.
std::optional<std::string> helperDir(const platform::Descriptor& platform);
std::optional<std::string> helperDir(const platform::Descriptor& platform,
                                     const std::string& executable);

} // namespace Resources
