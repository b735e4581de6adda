#pragma once

#include <string>
#include <string_view>

// Files shipped beside the program (tracker list, helper scripts).
namespace Resources {

// The installed copy `<executable's dir>/../share/nattervane/<name>` when it is a regular file,
// otherwise the copy in the source tree's resources folder.
std::string path(std::string_view name);

// As `path`, for the given executable path instead of this process's.
std::string path(std::string_view name, const std::string& executable);

} // namespace Resources
