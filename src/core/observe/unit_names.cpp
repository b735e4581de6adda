// SPDX-License-Identifier: GPL-3.0-or-later
#include "observe/unit_names.h"

#include "base/atomic_file.h"
#include "base/ini_text.h"

namespace {

// More than any system has; past it the answers kept are forgotten and read again.
constexpr size_t mostKept = 4096;

// "%i" and "%I" of a template's description become the instance.
std::string withInstance(std::string text, const std::string& instance) {
    for (const char* specifier : {"%i", "%I"})
        for (size_t at = 0; (at = text.find(specifier, at)) != std::string::npos;
             at += instance.size())
            text.replace(at, 2, instance);
    return text;
}

} // namespace

std::optional<std::string> UnitNames::read(const std::vector<std::string>& folders,
                                           const std::string& file, const char* section,
                                           const std::vector<std::string>& keys) {
    std::string key = std::string(section) + "|" + keys.front() + "|" + file;
    if (auto known = known_.find(key); known != known_.end()) return known->second;
    if (known_.size() >= mostKept) known_.clear();
    std::optional<std::string> answer;
    for (const std::string& folder : folders) {
        Result<std::string> text = AtomicFile::read(folder + "/" + file);
        if (!text) continue;
        for (const std::string& name : keys)
            if ((answer = IniText::value(*text, section, name))) break;
        break;
    }
    return known_[key] = answer;
}

std::optional<std::string> UnitNames::description(const std::string& unit, bool system) {
    const auto& folders = system ? folders_.systemUnits : folders_.userUnits;
    if (auto own = read(folders, unit, "Unit", {"Description"})) return own;
    size_t at = unit.find('@'), dot = unit.rfind('.');
    if (at == std::string::npos || dot == std::string::npos || dot < at) return std::nullopt;
    std::string instance = unit.substr(at + 1, dot - at - 1);
    std::string templateUnit = unit.substr(0, at + 1) + unit.substr(dot);
    auto shared = read(folders, templateUnit, "Unit", {"Description"});
    if (!shared) return std::nullopt;
    return withInstance(*shared, instance);
}

std::optional<std::string> UnitNames::application(const std::string& id, Lang lang) {
    std::vector<std::string> keys{"Name"};
    if (lang != Lang::en) keys.insert(keys.begin(), "Name[" + Langs::name(lang) + "]");
    return read(folders_.applications, id + ".desktop", "Desktop Entry", keys);
}
