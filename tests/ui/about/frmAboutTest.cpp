#include "ui/about/frmAbout.h"
#include "platform/Version.h"
#include "support/ScriptedPrompt.h"
#include "ui/about/AboutText.h"
#include "ui/about/Twips.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

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
    std::unique_ptr<LinkOpener> CreateLinkOpener() override
    {
        ++openersCreated;
        return std::make_unique<RecordingLinkOpener>(opened);
    }
    std::vector<std::string> opened;
    int openersCreated = 0;
};

class AboutTest : public ::testing::Test {
protected:
    AboutTest() { about.show(); }

    QLabel* Label(const char* name) const { return about.findChild<QLabel*>(QString::fromLatin1(name)); }
    int X(int twips) const { return TwipsToPixels(twips, about.logicalDpiX()); }
    int Y(int twips) const { return TwipsToPixels(twips, about.logicalDpiY()); }

    AboutComponents components;
    frmAbout about;
};

TEST_F(AboutTest, ShowsTitleVersionAndTheMakersDetails)
{
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About"));
    EXPECT_EQ(Label("lblAppTitle")->text(), QStringLiteral("DA Zadaro"));
    EXPECT_EQ(Label("lblVersion")->text(),
              QStringLiteral("%1.%2 Build %3").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionRevision));
    EXPECT_EQ(Label("lblVersion")->text(), QStringLiteral("6.1 Build 400"));
    EXPECT_EQ(Label("lblCompanyInfo")->text().toStdString(), AboutText::CompanyInfoText());
    EXPECT_EQ(Label("lblWebsite")->text(), QString::fromUtf8(AboutText::kWebAddress));
    EXPECT_EQ(Label("lblEmail")->text(), QString::fromUtf8(AboutText::kMailAddress));
}

TEST_F(AboutTest, FixedSizeLayoutInTwips)
{
    EXPECT_EQ(about.size(), QSize(X(6045), Y(4620)));
    EXPECT_EQ(about.minimumSize(), about.maximumSize());

    QLabel* banner = Label("Image1");
    ASSERT_FALSE(banner->pixmap().isNull());
    EXPECT_EQ(banner->pixmap().size(), QSize(580, 64));
    EXPECT_EQ(banner->geometry(), QRect(0, 0, 580, 64));
    EXPECT_GT(banner->geometry().right(), about.width()); // cut off by the right edge

    EXPECT_EQ(Label("lblAppTitle")->geometry(), QRect(X(120), Y(960), X(5775), Y(375)));
    EXPECT_EQ(Label("lblVersion")->geometry(), QRect(X(120), Y(1320), X(5775), Y(255)));
    EXPECT_EQ(Label("lblCompanyInfo")->geometry(), QRect(X(2970), Y(1800), X(2895), Y(1335)));
    EXPECT_EQ(Label("lblWebsite")->geometry(), QRect(X(3000), Y(3240), X(2895), Y(255)));
    EXPECT_EQ(Label("lblEmail")->geometry(), QRect(X(3000), Y(3600), X(2895), Y(255)));
    EXPECT_EQ(about.findChild<QWidget*>(QStringLiteral("Line1"))->geometry().top(), Y(3960));
    EXPECT_EQ(about.findChild<QWidget*>(QStringLiteral("Line2"))->geometry().top(), Y(3975));
    EXPECT_EQ(about.findChild<QWidget*>(QStringLiteral("Line1"))->geometry().left(), X(120));
    EXPECT_EQ(about.findChild<QWidget*>(QStringLiteral("Line1"))->geometry().right() + 1, X(5880));

    QPushButton* ok = about.findChild<QPushButton*>(QStringLiteral("cmdOk"));
    EXPECT_EQ(ok->text(), QStringLiteral("&OK"));
    EXPECT_EQ(ok->geometry(), QRect(X(2385), Y(4080), X(1215), Y(375)));
}

TEST_F(AboutTest, LooksOfTitleAndLinks)
{
    const QFont title = Label("lblAppTitle")->font();
    EXPECT_TRUE(title.bold());
    EXPECT_DOUBLE_EQ(title.pointSizeF(), 13.5);
    EXPECT_EQ(Label("lblAppTitle")->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(Label("lblVersion")->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(Label("lblCompanyInfo")->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);

    for (const char* name : {"lblWebsite", "lblEmail"}) {
        QLabel* link = Label(name);
        EXPECT_TRUE(link->font().underline()) << name;
        EXPECT_DOUBLE_EQ(link->font().pointSizeF(), 8.25) << name;
        EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(Qt::blue)) << name;
        EXPECT_EQ(link->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight) << name;
        EXPECT_EQ(link->cursor().shape(), Qt::BitmapCursor) << name;
        EXPECT_EQ(link->cursor().pixmap().size(), QSize(32, 32)) << name;
    }
}

TEST_F(AboutTest, OkComesFirstAndClosesTheBox)
{
    QPushButton* ok = about.findChild<QPushButton*>(QStringLiteral("cmdOk"));
    EXPECT_TRUE(ok->isDefault());
    if (QTest::qWaitForWindowActive(&about)) {
        EXPECT_TRUE(ok->hasFocus());
    }
    // Alt+O is its access key; a button pressed by its key shows itself pressed briefly first.
    EXPECT_EQ(ok->shortcut(), QKeySequence(Qt::ALT | Qt::Key_O));
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

    const std::string mailLink = std::string("mailto:") + AboutText::kMailAddress + "?Subject=DA Zadaro&Body=";
    EXPECT_EQ(components.opened, (std::vector<std::string>{AboutText::kWebAddress, AboutText::kWebAddress, mailLink}));
    EXPECT_EQ(components.openersCreated, 3);
    EXPECT_TRUE(about.isVisible());
    EXPECT_EQ(web->text(), QString::fromUtf8(AboutText::kWebAddress));
    EXPECT_TRUE(components.prompt.asked.empty());
}

TEST(AboutBox, OpensCentredOverItsOwner)
{
    QWidget owner;
    owner.setGeometry(100, 80, 900, 600);
    owner.show();
    frmAbout about(&owner);
    QPoint centre;
    QTimer::singleShot(0, &about, [&] {
        centre = about.frameGeometry().center();
        about.accept();
    });
    about.exec();
    EXPECT_LE((centre - owner.frameGeometry().center()).manhattanLength(), 2);
}

} // namespace
} // namespace ze6::test
