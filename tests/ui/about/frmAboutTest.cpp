#include "ui/about/frmAbout.h"
#include "platform/Version.h"
#include "support/FakeShell.h"
#include "support/ScriptedPrompt.h"
#include "ui/about/AboutText.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace ze6::test {
namespace {

class AboutTest : public ::testing::Test {
protected:
    AboutTest() { about.show(); }

    QLabel* Label(const char* name) const { return about.findChild<QLabel*>(QString::fromLatin1(name)); }

    FakeShell components;
    frmAbout about;
};

// Each link click goes to the desktop again; OK comes first and closes the box by its access key.
TEST_F(AboutTest, ShowsTheVersionOpensEachLinkClickedAndClosesByOk)
{
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About"));
    EXPECT_EQ(about.minimumSize(), about.maximumSize());
    EXPECT_EQ(Label("lblVersion")->text(),
              QStringLiteral("%1.%2 Build %3").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionRevision));
    QPushButton* ok = about.findChild<QPushButton*>(QStringLiteral("cmdOk"));
    EXPECT_EQ(ok->text(), QStringLiteral("&OK"));
    if (QTest::qWaitForWindowActive(&about)) {
        EXPECT_TRUE(ok->hasFocus());
    }
    QLabel* web = Label("lblWebsite");
    QLabel* mail = Label("lblEmail");
    EXPECT_TRUE(mail->font().underline());
    QTest::mouseClick(web, Qt::LeftButton, {}, web->rect().center());
    QTest::mouseClick(web, Qt::LeftButton, {}, web->rect().center());
    QTest::mouseClick(mail, Qt::LeftButton, {}, mail->rect().center());
    QTest::mouseClick(mail, Qt::RightButton, {}, mail->rect().center());
    // The title goes into the subject unencoded, blank included.
    const std::string mailLink = std::string("mailto:") + AboutText::kMailAddress + "?Subject=DA Zadaro&Body=";
    EXPECT_EQ(components.openedLinks,
              (std::vector<std::string>{AboutText::kWebAddress, AboutText::kWebAddress, mailLink}));
    EXPECT_TRUE(about.isVisible());
    EXPECT_TRUE(components.prompt.asked.empty());

    // A button pressed by its key shows itself pressed briefly before it acts.
    QTest::keyClick(&about, Qt::Key_O, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([this] { return !about.isVisible(); }));
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

} // namespace
} // namespace ze6::test
