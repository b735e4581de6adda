#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform.h"

// Files shipped beside the program (tracker list, helper scripts).
namespace Resources {

// The installed copy `<executable's dir>/../share/nattervane/<name>` when it is a regular file,
// otherwise the copy in the source tree's resources folder.
std::string path(std::string_view name);

// As `path`, for the given executable path instead of this process's.
std::string path(std::string_view name, const std::string& executable);

// Where the helper's install script lives: the installed `<executable's
// dir>/../share/nattervane/helper` when it holds "nv-install.sh"; otherwise, when the source tree's
// resources folder holds the tracker list, the source tree's helper folder for `platform`
// (unchecked); otherwise absent.
std::optional<std::string> helperDir(const platform::Descriptor& platform);
std::optional<std::string> helperDir(const platform::Descriptor& platform,
                                     const std::string& executable);

} // namespace Resources
