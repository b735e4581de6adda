#pragma once

#include <string>
#include <string_view>

// The shell commands that install and remove the privileged helper.
namespace AdminCommand {

// `text` as one shell word: in single quotes, each single quote inside written as '\''.
std::string quoted(std::string_view text);

// Runs the install script of `helperDir` for the block files in `blockDir` and the user `login`.
std::string install(const std::string& helperDir, const std::string& blockDir,
                    const std::string& login);
// Runs the uninstall script at `script`.
std::string uninstall(const std::string& script);

// The AppleScript that runs `command` with administrator privileges, the password dialog
// showing `prompt`: the command escaped for an AppleScript string, the prompt as it is.
std::string appleScript(std::string_view command, std::string_view prompt);

} // namespace AdminCommand
