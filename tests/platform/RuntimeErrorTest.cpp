#include "platform/RuntimeError.h"

#include <cerrno>
#include <gtest/gtest.h>

namespace ze6 {
namespace {

TEST(ErrorFromErrno, MapsSystemErrorsToClassicNumbersAndDescriptions)
{
    const auto check = [](int errnoValue, std::int32_t number, const char* description) {
        const RuntimeError error = ErrorFromErrno(errnoValue, "ArchiveWriter");
        EXPECT_EQ(error.Number(), number) << errnoValue;
        EXPECT_EQ(error.Description(), description) << errnoValue;
        EXPECT_EQ(error.Source(), "ArchiveWriter");
        EXPECT_STREQ(error.what(), description);
    };
    check(ENOENT, 53, "File not found");
    check(ENOTDIR, 76, "Path not found");
    check(EACCES, 70, "Permission denied");
    check(EROFS, 70, "Permission denied");
    check(EEXIST, 58, "File already exists");
    check(ENOSPC, 61, "Disk full");
    check(EFBIG, 61, "Disk full");
    check(EIO, 57, "Device I/O error");
    check(ELOOP, 75, "Path/File access error");
}

} // namespace
} // namespace ze6
