// SPDX-License-Identifier: GPL-3.0-or-later
#include <cerrno>
#include <string>

#include <gtest/gtest.h>

#include "base/result.h"

// Result itself is what every other test reads its outcomes through.
TEST(ResultTest, ErrorsTakeTheirCodeFromTheSystem) {
    errno = ENOENT;
    EXPECT_EQ(Error::fromErrno("cannot open /x"),
              (Error{ENOENT, "cannot open /x: No such file or directory"}));
    EXPECT_EQ(Error::fromCode("cannot create /x", std::make_error_code(std::errc::not_a_directory)),
              (Error{ENOTDIR, "cannot create /x: Not a directory"}));
    Result<std::string> failed(Error{0, "no text"});
    EXPECT_THROW(static_cast<void>(failed.value()), std::bad_variant_access);
}
