#include "ui/about/frmAbout.h"
#include "support/ScriptedPrompt.h"
#include "ui/about/AboutText.h"
#include "ui/about/Twips.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace ze6::test {
namespace {

class RecordingLinkOpener final : public LinkOpener {
public:
    explicit RecordingLinkOpener(std::vector<std::string>& opened) : m_opened(opened) {}
    void Open(const std::string& link) override { m_opened.push_back(link); }

private:
    std::vector<std::string>& m_opened;
};

class AboutComponents final : public TestComponents {
public:
    std::unique_ptr<LinkOpener> CreateLinkOpener() override { return std::make_unique<RecordingLinkOpener>(opened); }
    std::vector<std::string> opened;
};

class AboutTest : public ::testing::Test {
protected:
    AboutTest() { about.show(); }

    QLabel* Label(const char* name) const { return about.findChild<QLabel*>(QString::fromLatin1(name)); }
    QRect Twips(int left, int top, int width, int height) const
    {
        const auto x = [this](int twips) { return TwipsToPixels(twips, about.logicalDpiX()); };
        const auto y = [this](int twips) { return TwipsToPixels(twips, about.logicalDpiY()); };
        return QRect(x(left), y(top), x(width), y(height));
    }

    AboutComponents components;
    frmAbout about;
};

TEST_F(AboutTest, ShowsTitleVersionMakerAndLinks)
{
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About"));
    EXPECT_EQ(about.size(), Twips(0, 0, 6045, 4620).size());
    EXPECT_EQ(about.minimumSize(), about.maximumSize());
    EXPECT_EQ(Label("lblAppTitle")->text(), QStringLiteral("DA Zadaro"));
    EXPECT_EQ(Label("lblVersion")->text(), QStringLiteral("6.1 Build 400"));
    EXPECT_EQ(Label("lblCompanyInfo")->text().toStdString(), AboutText::CompanyInfoText());
    EXPECT_EQ(Label("lblCompanyInfo")->geometry(), Twips(2970, 1800, 2895, 1335));
    // The banner is wider than the box: its right edge cuts it off.
    EXPECT_EQ(Label("Image1")->geometry(), QRect(0, 0, 580, 64));
    EXPECT_EQ(Label("lblWebsite")->text(), QString::fromUtf8(AboutText::kWebAddress));
    EXPECT_EQ(Label("lblEmail")->text(), QString::fromUtf8(AboutText::kMailAddress));
    EXPECT_TRUE(Label("lblEmail")->font().underline());
}

TEST_F(AboutTest, OkComesFirstAndClosesTheBoxWithItsAccessKey)
{
    QPushButton* ok = about.findChild<QPushButton*>(QStringLiteral("cmdOk"));
    EXPECT_EQ(ok->text(), QStringLiteral("&OK"));
    EXPECT_EQ(ok->geometry(), Twips(2385, 4080, 1215, 375));
    if (QTest::qWaitForWindowActive(&about)) {
        EXPECT_TRUE(ok->hasFocus());
    }
    // A button pressed by its key shows itself pressed briefly before it acts.
    QTest::keyClick(&about, Qt::Key_O, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([this] { return !about.isVisible(); }));
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

TEST_F(AboutTest, EachLinkClickHandsTheLinkToTheDesktopAgain)
{
    QLabel* web = Label("lblWebsite");
    QLabel* mail = Label("lblEmail");
    QTest::mouseClick(web, Qt::LeftButton, {}, web->rect().center());
    QTest::mouseClick(web, Qt::LeftButton, {}, web->rect().center());
    QTest::mouseClick(mail, Qt::LeftButton, {}, mail->rect().center());
    QTest::mouseClick(mail, Qt::RightButton, {}, mail->rect().center());

    // The title goes into the subject unencoded, blank included.
    const std::string mailLink = std::string("mailto:") + AboutText::kMailAddress + "?Subject=DA Zadaro&Body=";
    EXPECT_EQ(components.opened, (std::vector<std::string>{AboutText::kWebAddress, AboutText::kWebAddress, mailLink}));
    EXPECT_TRUE(about.isVisible());
    EXPECT_TRUE(components.prompt.asked.empty());
}

} // namespace
} // namespace ze6::test
