#include <cerrno>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "base/result.h"

namespace {

TEST(ResultTest, HoldsEitherTheValueOrTheError) {
    Result<std::string> value(std::string("text"));
    ASSERT_TRUE(value);
    EXPECT_EQ(*value, "text");
    EXPECT_EQ(value->size(), 4u);

    Result<std::string> failed(Error{0, "no text"});
    ASSERT_FALSE(failed.ok());
    EXPECT_EQ(failed.error(), (Error{0, "no text"}));
    EXPECT_THROW(static_cast<void>(failed.value()), std::bad_variant_access);
    EXPECT_EQ(value.value_or("other"), "text");
    EXPECT_EQ(failed.value_or("other"), "other");

    // A value that only moves can be taken out whole.
    Result<std::unique_ptr<int>> owned(std::make_unique<int>(7));
    std::unique_ptr<int> taken = std::move(owned).value();
    EXPECT_EQ(*taken, 7);

    Result<void> done;
    EXPECT_TRUE(done);
    Result<void> refused(Error{EACCES, "refused"});
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().code, EACCES);
}

TEST(ResultTest, ErrorsTakeTheirCodeFromTheSystem) {
    errno = ENOENT;
    EXPECT_EQ(Error::fromErrno("cannot open /x"),
              (Error{ENOENT, "cannot open /x: No such file or directory"}));
    EXPECT_EQ(Error::fromCode("cannot create /x", std::make_error_code(std::errc::not_a_directory)),
              (Error{ENOTDIR, "cannot create /x: Not a directory"}));
}

} // namespace
