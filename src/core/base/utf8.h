// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace Utf8 {

// Decodes bytes as UTF-8, replacing each invalid sequence with U+FFFD; never fails.
std::string decodeLossy(std::string_view bytes);

// The characters in `text`, as a terminal shows them one a cell: every byte that does not continue
// a UTF-8 sequence counts as one.
size_t length(std::string_view text);

// `text` followed by spaces up to `width` characters; as it is when it is that long already.
std::string padded(std::string text, size_t width);

} // namespace Utf8
