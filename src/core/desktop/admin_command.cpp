#include "desktop/admin_command.h"

namespace AdminCommand {

std::string quoted(std::string_view text) {
    std::string result = "'";
    for (char c : text) {
        if (c == '\'')
            result += "'\\''";
        else
            result += c;
    }
    return result + "'";
}

Words install(const std::string& helperDir, const std::string& blockDir, const std::string& login) {
    return {helperDir + "/nv-install.sh", blockDir, login};
}

Words uninstall(const std::string& script) {
    return {script};
}

std::string shellCommand(const Words& words) {
    std::string command = "/bin/bash";
    for (const std::string& word : words)
        command += " " + quoted(word);
    return command;
}

std::string appleScript(std::string_view command, std::string_view prompt) {
    std::string escaped;
    for (char c : command) {
        if (c == '\\' || c == '"') escaped += '\\';
        escaped += c;
    }
    return "do shell script \"" + escaped + "\" with prompt \"" + std::string(prompt) +
           "\" with administrator privileges";
}

} // namespace AdminCommand
