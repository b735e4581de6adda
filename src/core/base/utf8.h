// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace Utf8 {

// Decodes bytes as UTF-8, replacing each invalid sequence with U+FFFD; never fails.
std::string decodeLossy(std::string_view bytes);

} // namespace Utf8
