// SPDX-License-Identifier: GPL-3.0-or-later
#include "status_file.h"

#include <cstdio>

namespace StatusFile {

std::string escapeNote(std::string_view note) {
    std::string line;
    for (unsigned char c : note) {
        if (line.size() >= maxNoteLength) break;
        if (c >= 0x20 && c < 0x7f && c != '\\') {
            line += static_cast<char>(c);
            continue;
        }
        char escaped[5];
        std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
        line += escaped;
    }
    return line.substr(0, maxNoteLength);
}

std::string text(const std::string& counts, const std::vector<std::string>& notes) {
    std::string result = counts + "\n";
    for (size_t i = 0; i < notes.size() && i < maxNotes; ++i)
        result.append(escapeNote(notes[i])).append("\n");
    return result;
}

std::string previousCounts(std::string_view status) {
    std::string_view first = status.substr(0, status.find('\n'));
    if (!first.starts_with("ips=")) return "ips=0 domains=0 rejected=0";
    return std::string(first);
}

} // namespace StatusFile
