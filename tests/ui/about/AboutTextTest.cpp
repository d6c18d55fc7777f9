#include "ui/about/AboutText.h"

#include <gtest/gtest.h>

namespace ze6 {
namespace {

TEST(AboutText, CompanyBlockHasSixCrLfLinesWithoutATrailingBreak)
{
    const std::string expected = std::string(AboutText::kMakerName) + " \r\n" + AboutText::kPostalBox + "\r\n" +
                                 AboutText::kTownAndProvince + "\r\n" + AboutText::kCountryAndPostalCode +
                                 "\r\nTel: " + AboutText::kTelephone + "\r\nFax: " + AboutText::kFax;
    EXPECT_EQ(AboutText::CompanyInfoText(), expected);
    EXPECT_NE(std::string(AboutText::kMakerName).back(), ' '); // exactly one blank after the name
}

} // namespace
} // namespace ze6
