#include "ui/about/AboutText.h"

#include <QString>
#include <QUrl>
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

TEST(AboutText, MakerContactsStayOnReservedExampleAddresses)
{
    const QUrl web(QString::fromUtf8(AboutText::kWebAddress));
    EXPECT_EQ(web.scheme(), QStringLiteral("https"));
    EXPECT_TRUE(web.host().endsWith(QStringLiteral("example.com")));
    EXPECT_TRUE(QString::fromUtf8(AboutText::kMailAddress).endsWith(QStringLiteral("@example.com")));
    EXPECT_NE(std::string(AboutText::kTelephone).find("555"), std::string::npos);
    EXPECT_NE(std::string(AboutText::kFax).find("555"), std::string::npos);
}

} // namespace
} // namespace ze6
