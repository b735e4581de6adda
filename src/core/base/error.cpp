// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/error.h"

#include <cerrno>
#include <cstring>

Error Error::fromErrno(const std::string& what) {
    int code = errno;
    return {code, what + ": " + std::strerror(code)};
}

Error Error::fromCode(const std::string& what, const std::error_code& failure) {
    return {failure.value(), what + ": " + failure.message()};
}
