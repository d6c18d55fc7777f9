#include "EditorFixture.h"

#include "platform/ProcessInfo.h"
#include "ui/editor/CheckableHeader.h"
#include "ui/editor/FileGrid.h"
#include "ui/editor/FileGridModel.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace ze6::test {
namespace {

const std::string kCreateQuestion = "Warning: Target Folder does not exist\r\n\r\nDo you wish to create it now?";

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

    // Exactly one box was shown, with focus left on `focus` and the dialog still up.
    void ExpectRefused(const std::string& text, PromptButtons buttons, PromptIcon icon, QWidget* focus)
    {
        ASSERT_EQ(components.prompt.asked.size(), 1u);
        EXPECT_EQ(components.prompt.asked[0], (PromptRequest{text, ExecutableName(), buttons, icon}));
        components.prompt.asked.clear();
        EXPECT_EQ(QApplication::focusWidget(), focus);
        EXPECT_TRUE(Dialog().isVisible());
        EXPECT_TRUE(form.Cancel());
    }

    std::string m_target;
};

TEST_F(AcceptanceTest, TickedRowsBecomeTheSourceFiles)
{
    OpenWithThreeFiles();
    const QStringList names = ListedNames();
    SetTick(1, false);
    ClickOk();
    EXPECT_TRUE(components.prompt.asked.empty());
    EXPECT_FALSE(Dialog().isVisible());
    EXPECT_FALSE(form.Cancel());
    EXPECT_EQ(form.SourceFiles(), (QStringList{Entry(names[0]), Entry(names[2])}));
    EXPECT_EQ(form.TargetFolder(), QString::fromStdString(m_target));
    EXPECT_EQ(form.KeepLast(), QString());

    // Every row ticked by hand, header box clear: still the whole folder.
    OpenWithThreeFiles();
    Grid().Header().ToggleTick();
    for (int row = 0; row < 3; ++row)
        SetTick(row, true);
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
    ExpectRefused("No Source File(s) Selected", PromptButtons::Ok, PromptIcon::Exclamation, &Grid());
    EXPECT_TRUE(form.SourceFiles().isEmpty());

    TargetBox().setText(QStringLiteral("    "));
    Grid().Header().ToggleTick();
    ClickOk();
    ExpectRefused("Target Folder must be specified", PromptButtons::Ok, PromptIcon::Exclamation, &TargetBox());
}

TEST_F(AcceptanceTest, MissingTargetIsCreatedOnlyWhenTheUserSaysYes)
{
    OpenWithThreeFiles();
    const std::string missing = folder.Path() + "new/deeper";
    TargetBox().setText(QString::fromStdString(" " + missing + " "));
    components.prompt.answers = {PromptAnswer::No};
    ClickOk();
    ExpectRefused(kCreateQuestion, PromptButtons::YesNo, PromptIcon::None, &TargetBox());
    EXPECT_FALSE(Exists(folder.Path() + "new"));

    bool visibleWhileAsked = false;
    components.prompt.onAsk = [&](const PromptRequest&) { visibleWhileAsked = Dialog().isVisible(); };
    components.prompt.answers = {PromptAnswer::Yes};
    ClickOk();
    EXPECT_TRUE(visibleWhileAsked);
    EXPECT_EQ(components.prompt.asked.size(), 1u);
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
    EXPECT_EQ(QApplication::focusWidget(), &TargetBox());
    EXPECT_TRUE(Dialog().isVisible());
}

TEST_F(AcceptanceTest, KeepLastMessagesAndFocus)
{
    OpenWithThreeFiles();
    const std::pair<const char*, const char*> refused[] = {
        {"abc", "Keep Last value must be numeric"},
        {"-1", "Keep Last value must be positive"},
        {"3000000000", "Keep Last value must not be greater than 2147483647"}};
    for (const auto& [text, message] : refused) {
        KeepLastBox().setText(QString::fromUtf8(text));
        ClickOk();
        ExpectRefused(message, PromptButtons::Ok, PromptIcon::Exclamation, &KeepLastBox());
    }
    // The target passed and stays stored although the dialog was refused, also after Cancel.
    Control<QPushButton>("cmdCancel").click();
    EXPECT_TRUE(form.Cancel());
    EXPECT_EQ(form.TargetFolder(), QString::fromStdString(m_target));
}

TEST_F(AcceptanceTest, BrowseReplacesTheTargetOnlyWhenAFolderWasChosen)
{
    OpenWithThreeFiles();
    TargetBox().setText(QStringLiteral("/typed"));
    auto& browse = Control<QPushButton>("cmdTargetBrowse");
    browse.click();
    EXPECT_EQ(TargetBox().text(), QStringLiteral("/typed"));
    EXPECT_EQ(components.browsePrompt, "Select a Target Folder");
    EXPECT_EQ(components.browseOwner, static_cast<QWidget*>(&Dialog()));

    components.browseResult = "/picked";
    browse.click();
    EXPECT_EQ(TargetBox().text(), QStringLiteral("/picked/"));
}

TEST_F(AcceptanceTest, EnterInTheTargetBoxIsOk)
{
    OpenWithThreeFiles();
    EXPECT_TRUE(OkButton().isDefault());
    TargetBox().setFocus();
    QTest::keyClick(&TargetBox(), Qt::Key_Return);
    ProcessEvents();
    EXPECT_FALSE(Dialog().isVisible());
    EXPECT_FALSE(form.Cancel());
}

} // namespace
} // namespace ze6::test
