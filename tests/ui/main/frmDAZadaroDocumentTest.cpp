// Tests marked "needs the engine" read files through the engine's line and
// number readers and fail against its placeholders.
#include "platform/ProcessInfo.h"
#include "platform/Version.h"
#include "ui/main/MainWindowFixture.h"
#include "ui/main/WithoutFileAccessOverride.h"

#include <QFile>

namespace ze6::test {
namespace {

using namespace std::string_literals;

const std::string kOpenFilter = "DA Zadaro Configuration File\0*.RZB;*.ZE6VIVEVU;*.RZB6;*.ZE6Vivevu\0\0"s;
const std::string kSaveFilter = "DA Zadaro Configuration File (*.RZB)\0*.RZB\0\0"s;

QString Caption(const std::string& path)
{
    return QStringLiteral("DA Zadaro - ") + QString::fromStdString(path);
}

class DocumentTest : public MainWindowTest {
protected:
    // Saves the grid through Save As to a new file and returns its path.
    std::string SaveAsNew(const std::string& name)
    {
        const std::string path = folder / name;
        components.dialogs.answers.push_back(path);
        OpenFileMenu();
        Action("mnuSaveAs")->trigger();
        return path;
    }

    void ExpectFailureBox(const std::string& path)
    {
        ASSERT_EQ(Asked().size(), 1u);
        EXPECT_EQ(Asked()[0].title, ExecutableName());
        EXPECT_EQ(Asked()[0].buttons, PromptButtons::Ok);
        EXPECT_EQ(Asked()[0].icon, PromptIcon::Critical);
        EXPECT_NE(Asked()[0].text.find(path), std::string::npos) << Asked()[0].text;
    }
};

TEST_F(DocumentTest, FileMenuOffersSavingOnlyForAListAndSaveOnlyForAFile)
{
    OpenFileMenu();
    EXPECT_FALSE(Action("mnuSave")->isEnabled());
    EXPECT_FALSE(Action("mnuSaveAs")->isEnabled());
    EXPECT_TRUE(Action("mnuOpen")->isEnabled());
    EXPECT_TRUE(Action("mnuExit")->isEnabled());

    PutJobs({{"/a/", "/b/", ""}});
    OpenFileMenu();
    EXPECT_FALSE(Action("mnuSave")->isEnabled());
    EXPECT_TRUE(Action("mnuSaveAs")->isEnabled());

    SaveAsNew("jobs.rzb");
    OpenFileMenu();
    EXPECT_TRUE(Action("mnuSave")->isEnabled());
    EXPECT_TRUE(Action("mnuSaveAs")->isEnabled());

    // Removing the last job takes both away again, and leaves unsaved changes.
    Grid()->selectRow(0);
    Button("cmdRemove")->click();
    OpenFileMenu();
    EXPECT_FALSE(Action("mnuSave")->isEnabled());
    EXPECT_FALSE(Action("mnuSaveAs")->isEnabled());
    EXPECT_TRUE(window->IsDirty());
}

TEST_F(DocumentTest, SaveAsWritesTheListAndRecordsTheFile)
{
    PutJobs({{"/données/*.RZT", "/backup/", "5"}, {" /my data/ ", "/to/", ""}});
    const std::string path = SaveAsNew("jobs.rzb");

    ASSERT_EQ(components.dialogs.calls.size(), 1u);
    const FileDialogCall& call = components.dialogs.calls[0];
    EXPECT_TRUE(call.save);
    EXPECT_EQ(call.owner, static_cast<WindowHandle>(window.get()));
    EXPECT_EQ(call.title, "Save Backup Configuration File");
    EXPECT_EQ(call.filter, kSaveFilter);
    EXPECT_TRUE(call.option);

    EXPECT_EQ(ReadFile(path), "\"/données/*.RZT\" \"/backup/\" KEEPLAST:5\r\n\" /my data/ \" \"/to/\" KEEPLAST:\r\n");
    EXPECT_EQ(window->CurrentFile(), QString::fromStdString(path));
    EXPECT_EQ(window->windowTitle(), Caption(path));
    EXPECT_FALSE(window->IsDirty());
    EXPECT_TRUE(Asked().empty());

    // The next dialog starts at the current file; the name comes back as typed, no extension added.
    components.dialogs.answers.push_back(folder / "copy");
    Action("mnuSaveAs")->trigger();
    ASSERT_EQ(components.dialogs.calls.size(), 2u);
    EXPECT_EQ(components.dialogs.calls[1].initialLocation, path);
    EXPECT_TRUE(Exists(folder / "copy"));
    EXPECT_EQ(window->CurrentFile(), QString::fromStdString(folder / "copy"));
}

TEST_F(DocumentTest, SaveReplacesTheCurrentFileWithoutADialog)
{
    PutJobs({{"/a/", "/b/", "1"}, {"/c/", "/d/", ""}});
    const std::string path = SaveAsNew("jobs.rzb");
    Grid()->selectRow(0);
    Button("cmdRemove")->click();
    ASSERT_TRUE(window->IsDirty());

    OpenFileMenu();
    Action("mnuSave")->trigger();
    EXPECT_EQ(components.dialogs.calls.size(), 1u);
    EXPECT_EQ(ReadFile(path), "\"/c/\" \"/d/\" KEEPLAST:\r\n");
    EXPECT_FALSE(window->IsDirty());
}

TEST_F(DocumentTest, SaveWithoutAFileAsksForOne)
{
    PutJobs({{"/a/", "/b/", ""}});
    components.dialogs.answers.push_back(folder / "first.rzb");
    OpenFileMenu();
    Action("mnuSave")->setEnabled(true); // the menu leaves it off without a file; the command still copes
    Action("mnuSave")->trigger();
    ASSERT_EQ(components.dialogs.calls.size(), 1u);
    EXPECT_TRUE(components.dialogs.calls[0].save);
    EXPECT_EQ(window->CurrentFile(), QString::fromStdString(folder / "first.rzb"));
}

TEST_F(DocumentTest, CancelledDialogsChangeNothing)
{
    PutJobs({{"/a/", "/b/", ""}});
    Grid()->clearSelection();
    Button("cmdRemove")->click(); // nothing selected, yet the document counts as changed
    ASSERT_TRUE(window->IsDirty());
    ASSERT_EQ(window->JobCount(), 1);

    OpenFileMenu();
    Action("mnuOpen")->trigger();
    Action("mnuSaveAs")->trigger();
    EXPECT_EQ(components.dialogs.calls.size(), 2u);
    EXPECT_EQ(window->JobCount(), 1);
    EXPECT_TRUE(window->IsDirty());
    EXPECT_TRUE(window->CurrentFile().isEmpty());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("DA Zadaro"));
    EXPECT_TRUE(Asked().empty());
}

// Needs the engine (settings lookup for the default folder, the line reader).
TEST_F(DocumentTest, OpenStartsInTheProductsConfigFolderAndLoadsTheChosenFile)
{
    const std::string path = folder.Write("daily.ZE6Vivevu", "\"/a/\" \"/b/\" KEEPLAST:2\r\n\"/c/\" \"/d/\"\r\n");
    PutJobs({{"/old/", "/old/", ""}});
    Button("cmdRemove")->click();
    ASSERT_TRUE(window->IsDirty());

    components.dialogs.answers.push_back(path);
    OpenFileMenu();
    Action("mnuOpen")->trigger();
    ASSERT_EQ(components.dialogs.calls.size(), 1u);
    const FileDialogCall& call = components.dialogs.calls[0];
    EXPECT_FALSE(call.save);
    EXPECT_EQ(call.owner, static_cast<WindowHandle>(window.get()));
    EXPECT_EQ(call.initialLocation, components.configFolder);
    EXPECT_EQ(call.title, "Open Backup Configuration File");
    EXPECT_EQ(call.filter, kOpenFilter);
    EXPECT_TRUE(call.option);

    // Unsaved changes go without a question: opening was the user's choice.
    EXPECT_TRUE(Asked().empty());
    EXPECT_EQ(window->Jobs(), (std::vector<JobRow>{{"/a/", "/b/", "2"}, {"/c/", "/d/", ""}}));
    EXPECT_EQ(window->CurrentFile(), QString::fromStdString(path));
    EXPECT_EQ(window->windowTitle(), Caption(path));
    EXPECT_FALSE(window->IsDirty());
    EXPECT_EQ(Grid()->currentRow(), 1);
}

// Needs the engine's line and number readers.
TEST_F(DocumentTest, LoadKeepsOnlyCanonicalLinesAndSaveWritesThemBack)
{
    const std::string path = folder.Write("mixed.rzb", "\"/rz/data/*.RZT\" \"/rz/backup/\" KEEPLAST:5\r\n"
                                                       "\r\n"
                                                       "   \r\n"
                                                       "# a remark\r\n"
                                                       "  \"/indented/\" \"/b/\" KEEPLAST:1\r\n"
                                                       "\"/no/target/quote\" /b/\r\n"
                                                       "\"/open/target/\" \"/b/\r\n"
                                                       "\" /blanks kept/ \"  \" /to/ \"\r"
                                                       "\"/lower/\" \"/b/\" keeplast:7\r\n"
                                                       "\"/half/\" \"/b/\" KEEPLAST:2.5\r\n"
                                                       "\"/half/\" \"/c/\" KEEPLAST:3.5\r\n"
                                                       "\"/neg/\" \"/b/\" KEEPLAST:-3\r\n"
                                                       "\"/zero/\" \"/b/\" KEEPLAST:0\r\n"
                                                       "\"/text/\" \"/b/\" KEEPLAST:abc\r\n"
                                                       "\"/between/\" \"/b/\" daily KEEPLAST:4\r\n"
                                                       "\"/huge/\" \"/b/\" KEEPLAST:99999999999\r\n"
                                                       "\"/données/Ünit.RZT6\" \"/sauvegarde/\" KEEPLAST:");
    ASSERT_TRUE(window->LoadFile(QString::fromStdString(path)));
    const std::vector<JobRow> expected{
        {"/rz/data/*.RZT", "/rz/backup/", "5"},
        {" /blanks kept/ ", " /to/ ", ""},
        {"/lower/", "/b/", "7"},
        {"/half/", "/b/", "2"},
        {"/half/", "/c/", "4"},
        {"/neg/", "/b/", "-3"},
        {"/zero/", "/b/", ""},
        {"/text/", "/b/", ""},
        {"/between/", "/b/", ""},
        {"/données/Ünit.RZT6", "/sauvegarde/", ""},
    };
    EXPECT_EQ(window->Jobs(), expected);
    EXPECT_TRUE(Asked().empty());
    EXPECT_EQ(Grid()->currentRow(), static_cast<int>(expected.size()) - 1);
    EXPECT_GT(Grid()->columnWidth(0), Grid()->columnWidth(2));

    ASSERT_TRUE(window->SaveFile(QString::fromStdString(folder / "clean.rzb")));
    std::string written;
    for (const JobRow& row : expected)
        written += "\"" + row.source + "\" \"" + row.target + "\" KEEPLAST:" + row.keepLast + "\r\n";
    EXPECT_EQ(ReadFile(folder / "clean.rzb"), written);

    ASSERT_TRUE(window->LoadFile(QString::fromStdString(folder / "clean.rzb")));
    EXPECT_EQ(window->Jobs(), expected);
}

TEST_F(DocumentTest, LoadingAFileWithoutJobsLeavesAnEmptyListThatRefersToIt)
{
    const std::string path = folder.Write("empty.rzb", "remarks only\r\n\r\n");
    PutJobs({{"/a/", "/b/", ""}});
    ASSERT_TRUE(window->LoadFile(QString::fromStdString(path)));
    EXPECT_EQ(window->JobCount(), 0);
    EXPECT_EQ(window->CurrentFile(), QString::fromStdString(path));
    EXPECT_FALSE(window->IsDirty());
}

TEST_F(DocumentTest, AFileThatCannotBeReadChangesNothing)
{
    PutJobs({{"/a/", "/b/", "1"}, {"/c/", "/d/", ""}});
    const std::string saved = SaveAsNew("jobs.rzb");
    Grid()->clearSelection();
    Button("cmdRemove")->click();
    ASSERT_TRUE(window->IsDirty());
    const std::vector<JobRow> before = window->Jobs();

    const auto expectUnchanged = [&](const std::string& path) {
        Asked().clear();
        EXPECT_FALSE(window->LoadFile(QString::fromStdString(path)));
        ExpectFailureBox(path);
        EXPECT_EQ(window->Jobs(), before);
        EXPECT_EQ(window->CurrentFile(), QString::fromStdString(saved));
        EXPECT_EQ(window->windowTitle(), Caption(saved));
        EXPECT_TRUE(window->IsDirty());
    };
    expectUnchanged(folder / "removed-meanwhile.rzb");
    expectUnchanged(folder.MakeFolder("a-folder.rzb"));

    const std::string locked = folder.Write("locked.rzb", "\"/x/\" \"/y/\"\r\n");
    QFile::setPermissions(QString::fromStdString(locked), QFile::WriteOwner);
    WithoutFileAccessOverride permissionsHold;
    if (!permissionsHold.Active())
        GTEST_SKIP() << "file permissions cannot be enforced here";
    expectUnchanged(locked);
}

TEST_F(DocumentTest, AFailedSaveKeepsTheOldFileAndTheDocumentState)
{
    const std::string path = folder.Write("shared/jobs.rzb", "\"/old/\" \"/b/\" KEEPLAST:\r\n");
    PutJobs({{"/new/", "/b/", "3"}});
    Button("cmdRemove")->click();
    ASSERT_TRUE(window->IsDirty());

    const QString sharedFolder = QString::fromStdString(folder / "shared");
    QFile::setPermissions(sharedFolder, QFile::ReadOwner | QFile::ExeOwner);
    bool saved = true;
    {
        WithoutFileAccessOverride permissionsHold;
        if (!permissionsHold.Active()) {
            QFile::setPermissions(sharedFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            GTEST_SKIP() << "file permissions cannot be enforced here";
        }
        saved = window->SaveFile(QString::fromStdString(path));
    }
    QFile::setPermissions(sharedFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    EXPECT_FALSE(saved);
    ExpectFailureBox(path);
    EXPECT_EQ(ReadFile(path), "\"/old/\" \"/b/\" KEEPLAST:\r\n");
    EXPECT_TRUE(window->CurrentFile().isEmpty());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("DA Zadaro"));
    EXPECT_TRUE(window->IsDirty());
}

TEST_F(DocumentTest, ClosingAsksOnlyWithUnsavedChanges)
{
    PutJobs({{"/a/", "/b/", ""}});
    Button("cmdRemove")->click(); // nothing selected: still a change
    ASSERT_TRUE(window->IsDirty());

    components.prompt.answers = {PromptAnswer::No};
    EXPECT_FALSE(window->close());
    ASSERT_EQ(Asked().size(), 1u);
    EXPECT_EQ(Asked()[0], (PromptRequest{"Quit without saving your changes?", ExecutableName(), PromptButtons::YesNo,
                                         PromptIcon::None}));
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->JobCount(), 1);
    EXPECT_TRUE(window->IsDirty());

    // Exit goes the same way as the close box.
    components.prompt.answers = {PromptAnswer::No};
    Action("mnuExit")->trigger();
    EXPECT_EQ(Asked().size(), 2u);
    EXPECT_TRUE(window->isVisible());

    components.prompt.answers = {PromptAnswer::Yes};
    EXPECT_TRUE(window->close());
    EXPECT_EQ(Asked().size(), 3u);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(DocumentTest, ASavedDocumentClosesWithoutAQuestion)
{
    PutJobs({{"/a/", "/b/", ""}});
    Button("cmdRemove")->click();
    SaveAsNew("jobs.rzb");
    ASSERT_FALSE(window->IsDirty());
    EXPECT_TRUE(window->close());
    EXPECT_TRUE(Asked().empty());
}

} // namespace
} // namespace ze6::test
