// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The helper's status file: the counts in force on the first line ("ips=N domains=M
// rejected=K"), then one line per note on what was refused or could not be applied.
namespace StatusFile {

// At most this many notes are kept, each cut to `maxNoteLength` characters.
inline constexpr size_t maxNotes = 6;
inline constexpr size_t maxNoteLength = 200;

// `note` as one printable line: every byte outside printable ASCII, and the backslash, as \xNN.
std::string escapeNote(std::string_view note);
// The whole text of the file.
std::string text(const std::string& counts, const std::vector<std::string>& notes);
// The counts line of an earlier status text; zero counts when there is none.
std::string previousCounts(std::string_view status);

} // namespace StatusFile
