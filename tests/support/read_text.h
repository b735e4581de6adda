// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "base/atomic_file.h"

// The contents of the file at `path`; when it cannot be read, the reason in angle brackets, so
// a comparison that fails shows why.
inline std::string readText(const std::string& path) {
    Result<std::string> text = AtomicFile::read(path);
    return text ? std::move(text).value() : "<" + text.error().message + ">";
}
