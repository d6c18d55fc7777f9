#include "platform/RealComponents.h"

#include <gtest/gtest.h>

namespace ze6 {
namespace {

TEST(SimplePathUtility, ReplacesFromTheLastDotOfTheLastComponent)
{
    const auto utility = MakeSimplePathUtility();
    EXPECT_EQ(utility->ReplaceExtension("/data/ABC.RZT6", ".rzd6"), "/data/ABC.rzd6");
    EXPECT_EQ(utility->ReplaceExtension("/data/ABC.RZT6", ""), "/data/ABC");
    EXPECT_EQ(utility->ReplaceExtension("ABC.RZT", ".KTM6.V3"), "ABC.KTM6.V3");
    EXPECT_EQ(utility->ReplaceExtension("/data/x.tar.gz", ".rzd"), "/data/x.tar.rzd");
    EXPECT_EQ(utility->ReplaceExtension("/data.old/plant", ".rzd"), "/data.old/plant.rzd");
    EXPECT_EQ(utility->ReplaceExtension("/data.old/plant", ""), "/data.old/plant");
}

} // namespace
} // namespace ze6
