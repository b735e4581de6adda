// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <system_error>

// Why an operation failed, in one line for the user or the log.
struct Error {
    // The errno the system gave for the failure; 0 when the failure is not a system call's.
    int code = 0;
    std::string message;

    // `what`, ": " and the text of the current errno, which becomes the code.
    static Error fromErrno(const std::string& what);
    // `what`, ": " and the text of `failure`, whose value becomes the code.
    static Error fromCode(const std::string& what, const std::error_code& failure);

    bool operator==(const Error&) const = default;
};
