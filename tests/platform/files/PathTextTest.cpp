#include "platform/files/PathText.h"

#include <gtest/gtest.h>

namespace ze6::FileSystem {
namespace {

TEST(PathText, RootEmptyAndRepeatedSeparators)
{
    struct Case {
        const char* path;
        const char* bare;
        const char* withSeparator;
        const char* folder;
        const char* name;
    };
    const Case cases[] = {{"", "", "/", "", ""},
                          {"/", "/", "/", "/", ""},
                          {"///", "/", "///", "///", ""},
                          {"ABC.RZT", "ABC.RZT", "ABC.RZT/", "", "ABC.RZT"},
                          {"/ABC.RZT", "/ABC.RZT", "/ABC.RZT/", "/", "ABC.RZT"},
                          {"/data/*.RZT", "/data/*.RZT", "/data/*.RZT/", "/data/", "*.RZT"},
                          {"data//", "data", "data//", "data//", ""},
                          {"/a//b", "/a//b", "/a//b/", "/a//", "b"}};
    for (const auto& c : cases) {
        EXPECT_EQ(WithoutTrailingSeparators(c.path), c.bare) << c.path;
        EXPECT_EQ(WithTrailingSeparator(c.path), c.withSeparator) << c.path;
        EXPECT_EQ(FolderPart(c.path), c.folder) << c.path;
        EXPECT_EQ(NamePart(c.path), c.name) << c.path;
    }
}

} // namespace
} // namespace ze6::FileSystem
