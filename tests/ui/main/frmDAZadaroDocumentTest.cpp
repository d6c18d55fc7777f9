// Loading reads through the engine's line and number readers; those tests need
// the real engine linked in.
#include "platform/process/ProcessInfo.h"
#include "support/FailingFolderSync.h"
#include "support/FullDisk.h"
#include "ui/main/MainWindowFixture.h"

namespace ze6::test {
namespace {

const std::string kSaved = "\"/a/\" \"/b/\" KEEPLAST:1\r\n\"/c/\" \"/d/\" KEEPLAST:\r\n";

class DocumentTest : public MainWindowTest {
protected:
    std::string SaveAsNew(const std::string& name)
    {
        components.dialogs.answers.push_back(folder / name);
        OpenFileMenu();
        Action("mnuSaveAs")->trigger();
        return folder / name;
    }
    void Save()
    {
        OpenFileMenu();
        Action("mnuSave")->trigger();
    }

    // A list saved to `name` (as kSaved) whose first row was removed since.
    std::string SavedThenChanged(const std::string& name = "jobs.rzb")
    {
        PutJobs({{"/a/", "/b/", {1}}, {"/c/", "/d/", {0}}});
        const std::string path = SaveAsNew(name);
        Grid()->selectRow(0);
        Button("cmdRemove")->click();
        return path;
    }

    void ExpectUnchanged(const std::string& file)
    {
        EXPECT_EQ(Jobs(), (std::vector<modDAZadaro::Job>{{"/c/", "/d/", {0}}}));
        EXPECT_EQ(window->CurrentFile().toStdString(), file);
        EXPECT_EQ(window->windowTitle().toStdString(), "DA Zadaro - " + file);
        EXPECT_TRUE(window->IsDirty());
    }

    void ExpectOneFailureBox(const std::string& path, const std::string& why = "")
    {
        ASSERT_EQ(Asked().size(), 1u);
        EXPECT_EQ((PromptRequest{Asked()[0].text, ExecutableName(), PromptButtons::Ok, PromptIcon::Critical}),
                  Asked()[0]);
        for (const std::string& part : {path, why})
            EXPECT_NE(Asked()[0].text.find(part), std::string::npos) << Asked()[0].text;
        Asked().clear();
    }
};

// Each dialog starts at the current file, or in the configuration folder
// while there is none; opening replaces unsaved changes without asking, and
// the document just opened closes without a question.
TEST_F(DocumentTest, SaveAsSaveAndOpenRecordTheFileAndStartAtIt)
{
    PutJobs({{"/données/*.RZT", "/backup/", {5}}, {" /my data/ ", "/to/", {0}}});
    const std::string path = SaveAsNew("jobs.rzb");
    ASSERT_EQ(components.dialogs.calls.size(), 1u);
    const FileDialogCall& call = components.dialogs.calls[0];
    EXPECT_EQ(std::tuple(call.save, call.owner, call.initialLocation, call.option),
              std::tuple(true, WindowHandle(window.get()), components.configFolder, true));
    EXPECT_EQ(ReadFile(path), "\"/données/*.RZT\" \"/backup/\" KEEPLAST:5\r\n\" /my data/ \" \"/to/\" KEEPLAST:\r\n");
    EXPECT_EQ(window->windowTitle().toStdString(), "DA Zadaro - " + path);
    EXPECT_FALSE(window->IsDirty());

    Grid()->selectRow(0);
    Button("cmdRemove")->click();
    Save();
    EXPECT_EQ(components.dialogs.calls.size(), 1u);
    EXPECT_EQ(ReadFile(path), "\" /my data/ \" \"/to/\" KEEPLAST:\r\n");
    EXPECT_FALSE(window->IsDirty());

    // The name comes back as typed, no extension added.
    SaveAsNew("copy");
    EXPECT_EQ(components.dialogs.calls[1].initialLocation, path);
    EXPECT_EQ(window->CurrentFile().toStdString(), folder / "copy");

    const std::string daily = folder.Write("daily.ZE6Vivevu", "\"/e/\" \"/f/\" KEEPLAST:2\r\n\"/g/\" \"/h/\"\r\n");
    Grid()->selectRow(0);
    Button("cmdRemove")->click();
    ASSERT_TRUE(window->IsDirty());
    components.dialogs.answers.push_back(daily);
    OpenFileMenu();
    Action("mnuOpen")->trigger();
    const FileDialogCall& open = components.dialogs.calls.at(2);
    EXPECT_EQ(std::tuple(open.save, open.initialLocation, open.option), std::tuple(false, folder / "copy", true));
    EXPECT_TRUE(Asked().empty());
    EXPECT_EQ(Jobs(), (std::vector<modDAZadaro::Job>{{"/e/", "/f/", {2}}, {"/g/", "/h/", {0}}}));
    EXPECT_EQ(window->windowTitle().toStdString(), "DA Zadaro - " + daily);
    EXPECT_FALSE(window->IsDirty());
    EXPECT_EQ(Grid()->currentIndex().row(), 1);
    EXPECT_TRUE(window->close()); // without a question
    EXPECT_TRUE(Asked().empty());
}

TEST_F(DocumentTest, LoadKeepsOnlyTheLinesTheGridCanShowAndNamesThoseTooLongToShow)
{
    const std::string longest = "/" + std::string(modDAZadaro::kLongestCell - 1, 'a');
    const std::string shown = "\"/rz/data/*.RZT\" \"/rz/backup/\" KEEPLAST:5\r\n"
                              "\r\n# a remark\r\n"
                              "  \"/indented/\" \"/b/\" KEEPLAST:1\r\n"
                              "\"/open/target/\" \"/b/\r\n"
                              "\" /blanks kept/ \"  \" /to/ \"\r"
                              "\"/lower/\" \"/b/\" keeplast:7\r\n"
                              "\"/half/\" \"/b/\" KEEPLAST:2.5\r\n"
                              "\"/neg/\" \"/b/\" KEEPLAST:-3\r\n"
                              "\"/zero/\" \"/b/\" KEEPLAST:0\r\n"
                              "\"/données/Ünit.RZT6\" \"/sauvegarde/\" KEEPLAST:\r\n";
    const std::string longLines = "\"" + longest + "a\" \"/b/\"\r\n\"" + longest + "\" \"/b/\"\r\n";
    const std::string path =
        folder.Write("mixed.rzb", shown + longLines + "\"/lf/\" \"/b/\" KEEPLAST:3\n\"/c/\" \"/d/\" KEEPLAST:4");
    ASSERT_TRUE(window->LoadFile(QString::fromStdString(path)));
    const std::vector<modDAZadaro::Job> expected{{"/rz/data/*.RZT", "/rz/backup/", {5}},
                                                 {" /blanks kept/ ", " /to/ ", {0}},
                                                 {"/lower/", "/b/", {7}},
                                                 {"/half/", "/b/", {2}},
                                                 {"/neg/", "/b/", {-3}},
                                                 {"/zero/", "/b/", {0}},
                                                 {"/données/Ünit.RZT6", "/sauvegarde/", {0}},
                                                 {longest, "/b/", {0}},
                                                 {"/lf/", "/b/", {3}}, // a lone line feed ends a line too
                                                 {"/c/", "/d/", {4}}};
    EXPECT_EQ(Jobs(), expected);
    EXPECT_EQ(Asked(), (std::vector<PromptRequest>{{"Line 12 of\r\n" + path +
                                                        "\r\nwas not loaded: a path in it is longer than 4096 bytes, "
                                                        "more than any path can be.",
                                                    ExecutableName(), PromptButtons::Ok, PromptIcon::Exclamation}}));
    EXPECT_EQ(window->CurrentFile().toStdString(), path);
}

// Loaded, a quote inside a path would make the line another job than the one
// written; saved, a quote or line break would spread it.
TEST_F(DocumentTest, PathsWithAQuoteOrLineBreakAreNeitherLoadedNorSavedAndUnreadableFilesChangeNothing)
{
    const std::string saved = SavedThenChanged();
    // Nor do cancelled dialogs.
    components.dialogs.answers = {"", ""};
    OpenFileMenu();
    Action("mnuOpen")->trigger();
    Action("mnuSaveAs")->trigger();
    EXPECT_EQ(components.dialogs.calls.size(), 3u);
    ExpectUnchanged(saved);
    EXPECT_TRUE(Asked().empty());

    const std::string injected = folder.Write(
        "injected.rzb", "\"/a/\" \"/b/\" KEEPLAST:5\r\n\"/src/\" \"/data/inj\" KEEPLAST:1 \"\" KEEPLAST:5\r\n");
    EXPECT_FALSE(window->LoadFile(QString::fromStdString(injected)));
    ExpectOneFailureBox(injected, "Line 2 holds more double quotes than a job line can");
    ExpectUnchanged(saved);

    for (const std::string target : {"/data/inj\" KEEPLAST:1 \"", "/two\nlines/", "/two\rlines/"}) {
        PutJobs({{"/src/", target, {5}}});
        Save();
        ExpectOneFailureBox(saved, "Row 2 holds a double quote or a line break");
        EXPECT_EQ(ReadFile(saved), kSaved);
        EXPECT_TRUE(window->IsDirty());
        JobList().RemoveRows({1});
    }

    // Nor does a file that cannot be read change anything.
    EXPECT_FALSE(window->LoadFile(QString::fromStdString(folder / "removed-meanwhile.rzb")));
    ExpectOneFailureBox(folder / "removed-meanwhile.rzb", "could not be read");
    ExpectUnchanged(saved);
}

// Beyond the file size limit the old file stays; when the folder cannot be
// synced the new file is in place, but its name may not survive a crash.
TEST_F(DocumentTest, ASaveThatFailsOrCannotBeSyncedIsReportedAndStaysUnsaved)
{
    const std::string path = SavedThenChanged();
    {
        const FileSizeLimit limit(16);
        Save();
    }
    // The old file stays, with no temporary beside it.
    ExpectOneFailureBox(path, "could not be saved:\r\n" + path + "\r\n\r\nFile too large");
    EXPECT_EQ(ReadFile(path), kSaved);
    ExpectUnchanged(path);
    const auto beside = FolderNames(path.substr(0, path.rfind('/')));
    EXPECT_EQ(std::ranges::count_if(beside, [](auto& name) { return name.find("jobs") != std::string::npos; }), 1)
        << testing::PrintToString(beside);
    {
        const FailingFolderSync failing;
        Save();
    }
    ExpectOneFailureBox(path, "Its folder could not be written to disk: ");
    ExpectUnchanged(path);
}

TEST_F(DocumentTest, ClosingAsksOnlyWithUnsavedChanges)
{
    SavedThenChanged();
    components.prompt.answers = {PromptAnswer::No, PromptAnswer::No, PromptAnswer::Yes};
    EXPECT_FALSE(window->close());
    EXPECT_EQ(Asked(), (std::vector<PromptRequest>{{"Quit without saving your changes?", ExecutableName(),
                                                    PromptButtons::YesNo, PromptIcon::None}}));
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(JobList().Count(), 1);
    EXPECT_TRUE(window->IsDirty());

    Action("mnuExit")->trigger(); // the same way as the close box
    EXPECT_EQ(Asked().size(), 2u);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->close());
    EXPECT_EQ(Asked().size(), 3u);
}

} // namespace
} // namespace ze6::test
