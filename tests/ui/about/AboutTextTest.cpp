#include "ui/about/AboutText.h"

#include <QString>
#include <QUrl>
#include <gtest/gtest.h>

namespace ze6 {
namespace {

TEST(AboutText, VersionHasPlainNumbersAndTheBuild)
{
    EXPECT_EQ(AboutText::VersionText(6, 1, 400), "6.1 Build 400");
    EXPECT_EQ(AboutText::VersionText(6, 1, 5), "6.1 Build 5");
    EXPECT_EQ(AboutText::VersionText(10, 0, 0), "10.0 Build 0");
}

TEST(AboutText, CompanyBlockHasSixCrLfLinesWithoutATrailingBreak)
{
    const std::string text = AboutText::CompanyInfoText();
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    lines.push_back(text.substr(start));

    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(text.find('\n'), text.find("\r\n") + 1); // no bare line feeds
    EXPECT_EQ(lines[0], std::string(AboutText::kMakerName) + " ");
    EXPECT_NE(lines[0].substr(lines[0].size() - 2), "  ");
    EXPECT_EQ(lines[1], AboutText::kPostalBox);
    EXPECT_EQ(lines[2], AboutText::kTownAndProvince);
    EXPECT_EQ(lines[3], AboutText::kCountryAndPostalCode);
    EXPECT_EQ(lines[4], std::string("Tel: ") + AboutText::kTelephone);
    EXPECT_EQ(lines[5], std::string("Fax: ") + AboutText::kFax);
    EXPECT_NE(lines[5].back(), '\n');
}

TEST(AboutText, MakerContactsStayOnReservedExampleAddresses)
{
    const QUrl web(QString::fromUtf8(AboutText::kWebAddress));
    EXPECT_TRUE(web.isValid());
    EXPECT_EQ(web.scheme(), QStringLiteral("https"));
    EXPECT_TRUE(web.host().endsWith(QStringLiteral("example.com")));
    EXPECT_TRUE(QString::fromUtf8(AboutText::kMailAddress).endsWith(QStringLiteral("@example.com")));
    EXPECT_NE(std::string(AboutText::kTelephone).find("555"), std::string::npos);
    EXPECT_NE(std::string(AboutText::kFax).find("555"), std::string::npos);
}

TEST(AboutText, MailLinkCarriesTheTitleUnencoded)
{
    EXPECT_EQ(AboutText::MailLink("support@example.com", "DA Zadaro"),
              "mailto:support@example.com?Subject=DA Zadaro&Body=");
}

} // namespace
} // namespace ze6
