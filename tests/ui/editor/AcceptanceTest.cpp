#include "EditorFixture.h"

#include "platform/ProcessInfo.h"
#include "ui/editor/CheckableHeader.h"
#include "ui/editor/FileGrid.h"
#include "ui/editor/FileGridModel.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace ze6::test {
namespace {

class AcceptanceTest : public EditorFixture {
protected:
    // A folder with three data files, shown, with a valid target and keep-last typed.
    void OpenWithThreeFiles()
    {
        for (const char* name : {"A.RZT", "B.RZT", "C.RZT6"})
            folder.Write(name);
        m_target = folder.MakeFolder("backup");
        Open(folder.Path());
        TargetBox().setText(QString::fromStdString(m_target));
        KeepLastBox().setText(QString());
    }

    QString Entry(const QString& name) const { return QString::fromStdString(folder.Path()) + name; }

    void ExpectOneBox(const std::string& text, PromptButtons buttons, PromptIcon icon)
    {
        ASSERT_EQ(components.prompt.asked.size(), 1u);
        EXPECT_EQ(components.prompt.asked[0], (PromptRequest{text, ExecutableName(), buttons, icon}));
        components.prompt.asked.clear();
    }

    std::string m_target;
};

TEST_F(AcceptanceTest, AllTickedGivesTheWholeFolder)
{
    OpenWithThreeFiles();
    ClickOk();
    EXPECT_TRUE(components.prompt.asked.empty());
    EXPECT_FALSE(Dialog().isVisible());
    EXPECT_FALSE(form.Cancel());
    EXPECT_EQ(form.SourceFiles(), QStringList{Entry(QStringLiteral("*.RZT?"))});
    EXPECT_EQ(form.TargetFolder(), QString::fromStdString(m_target));
    EXPECT_EQ(form.KeepLast(), QString());
}

TEST_F(AcceptanceTest, SomeTickedGivesOneEntryPerFileInRowOrder)
{
    OpenWithThreeFiles();
    const QStringList names = ListedNames();
    SetTick(1, false);
    ClickOk();
    EXPECT_FALSE(form.Cancel());
    EXPECT_EQ(form.SourceFiles(), (QStringList{Entry(names[0]), Entry(names[2])}));
}

TEST_F(AcceptanceTest, EveryRowTickedByHandStillGivesTheWholeFolder)
{
    OpenWithThreeFiles();
    Grid().Header().ToggleTick();
    for (int row = 0; row < 3; ++row)
        SetTick(row, true);
    EXPECT_FALSE(Grid().Model().HeaderTicked());
    ClickOk();
    EXPECT_EQ(form.SourceFiles(), QStringList{Entry(QStringLiteral("*.RZT?"))});
}

TEST_F(AcceptanceTest, NothingTickedIsRefusedBeforeTheTargetIsLookedAt)
{
    OpenWithThreeFiles();
    form.SourceFiles() << QStringLiteral("left over");
    TargetBox().clear();
    KeepLastBox().setText(QStringLiteral("abc"));
    Grid().Header().ToggleTick();
    ClickOk();
    ExpectOneBox("No Source File(s) Selected", PromptButtons::Ok, PromptIcon::Exclamation);
    EXPECT_EQ(FocusWidget(), &Grid());
    EXPECT_TRUE(Dialog().isVisible());
    EXPECT_TRUE(form.Cancel());
    EXPECT_TRUE(form.SourceFiles().isEmpty());
}

TEST_F(AcceptanceTest, BlankTargetIsRefused)
{
    OpenWithThreeFiles();
    TargetBox().setText(QStringLiteral("    "));
    KeepLastBox().setText(QStringLiteral("abc"));
    ClickOk();
    ExpectOneBox("Target Folder must be specified", PromptButtons::Ok, PromptIcon::Exclamation);
    EXPECT_EQ(FocusWidget(), &TargetBox());
    EXPECT_TRUE(Dialog().isVisible());
}

TEST_F(AcceptanceTest, MissingTargetAnsweredNoCreatesNothing)
{
    OpenWithThreeFiles();
    const std::string missing = folder.Path() + "new/deeper";
    TargetBox().setText(QString::fromStdString(missing));
    components.prompt.answers = {PromptAnswer::No};
    ClickOk();
    ExpectOneBox("Warning: Target Folder does not exist\r\n\r\nDo you wish to create it now?", PromptButtons::YesNo,
                 PromptIcon::None);
    EXPECT_FALSE(Exists(folder.Path() + "new"));
    EXPECT_EQ(FocusWidget(), &TargetBox());
    EXPECT_TRUE(Dialog().isVisible());
    EXPECT_TRUE(form.Cancel());
}

TEST_F(AcceptanceTest, MissingTargetAnsweredYesIsCreatedAndAccepted)
{
    OpenWithThreeFiles();
    const std::string missing = folder.Path() + "new/deeper";
    TargetBox().setText(QString::fromStdString(" " + missing + " "));
    bool visibleWhileAsked = false;
    components.prompt.onAsk = [&](const PromptRequest&) { visibleWhileAsked = Dialog().isVisible(); };
    components.prompt.answers = {PromptAnswer::Yes};
    ClickOk();
    EXPECT_TRUE(visibleWhileAsked);
    ExpectOneBox("Warning: Target Folder does not exist\r\n\r\nDo you wish to create it now?", PromptButtons::YesNo,
                 PromptIcon::None);
    EXPECT_TRUE(Exists(missing));
    EXPECT_FALSE(Dialog().isVisible());
    EXPECT_FALSE(form.Cancel());
    EXPECT_EQ(form.TargetFolder(), QString::fromStdString(missing + "/"));
}

TEST_F(AcceptanceTest, FailedCreationIsReported)
{
    OpenWithThreeFiles();
    // A file where a folder of the path should be makes creation impossible.
    const std::string blocker = folder.Write("blocker");
    TargetBox().setText(QString::fromStdString(blocker + "/sub"));
    components.prompt.answers = {PromptAnswer::Yes};
    ClickOk();
    ASSERT_EQ(components.prompt.asked.size(), 2u);
    EXPECT_EQ(components.prompt.asked[1], (PromptRequest{"Error creating folder '" + blocker + "/sub/'",
                                                         ExecutableName(), PromptButtons::Ok, PromptIcon::Critical}));
    EXPECT_EQ(FocusWidget(), &TargetBox());
    EXPECT_TRUE(Dialog().isVisible());
}

TEST_F(AcceptanceTest, KeepLastMessagesAndFocus)
{
    OpenWithThreeFiles();
    const struct {
        const char* text;
        const char* message;
    } refused[] = {{"abc", "Keep Last value must be numeric"},
                   {"-1", "Keep Last value must be positive"},
                   {"3000000000", "Keep Last value must not be greater than 2147483647"}};
    for (const auto& [text, message] : refused) {
        KeepLastBox().setText(QString::fromUtf8(text));
        ClickOk();
        ExpectOneBox(message, PromptButtons::Ok, PromptIcon::Exclamation);
        EXPECT_EQ(FocusWidget(), &KeepLastBox()) << text;
        EXPECT_TRUE(Dialog().isVisible());
    }
    // The target passed and stays stored although the dialog was refused.
    TargetBox().setText(QString::fromStdString(m_target).chopped(1));
    ClickOk();
    components.prompt.asked.clear();
    EXPECT_EQ(form.TargetFolder(), QString::fromStdString(m_target));
    EXPECT_EQ(form.SourceFiles(), QStringList{Entry(QStringLiteral("*.RZT?"))});

    Control<QPushButton>("cmdCancel").click();
    EXPECT_TRUE(form.Cancel());
    EXPECT_EQ(form.TargetFolder(), QString::fromStdString(m_target));
}

TEST_F(AcceptanceTest, BrowseReplacesTheTargetOnlyWhenAFolderWasChosen)
{
    OpenWithThreeFiles();
    TargetBox().setText(QStringLiteral("/typed"));
    auto& browse = Control<QPushButton>("cmdTargetBrowse");
    EXPECT_EQ(browse.text(), QStringLiteral("..."));

    components.browseResult.clear();
    browse.click();
    EXPECT_EQ(TargetBox().text(), QStringLiteral("/typed"));
    EXPECT_EQ(components.browsePrompt, "Select a Target Folder");
    EXPECT_EQ(components.browseOwner, static_cast<QWidget*>(&Dialog()));

    components.browseResult = "/picked";
    browse.click();
    EXPECT_EQ(TargetBox().text(), QStringLiteral("/picked/"));
    EXPECT_EQ(components.browseCount, 2);
}

TEST_F(AcceptanceTest, ControlsCarryTheirCaptions)
{
    OpenWithThreeFiles();
    EXPECT_EQ(Control<QWidget>("Label1").property("text").toString(), QStringLiteral("Backup files to..."));
    EXPECT_EQ(Control<QWidget>("Label2").property("text").toString(),
              QStringLiteral("Number of generations to keep (Leave blank for unlimited)"));
    EXPECT_EQ(OkButton().text(), QStringLiteral("Ok"));
    EXPECT_TRUE(OkButton().isDefault());
    EXPECT_EQ(Control<QPushButton>("cmdCancel").text(), QStringLiteral("Cancel"));
    for (const char* name : {"picFooter", "picButtons", "Picture1", "imgSplit", "PicSplit"})
        EXPECT_NO_THROW(Control<QWidget>(name)) << name;

    // Enter in the target box is the Ok button.
    TargetBox().setFocus();
    QTest::keyClick(&TargetBox(), Qt::Key_Return);
    ProcessEvents();
    EXPECT_FALSE(Dialog().isVisible());
    EXPECT_FALSE(form.Cancel());
}

} // namespace
} // namespace ze6::test
