// The window's side of the document: its dialogs, caption, boxes and close
// question. What loading and saving do to the jobs and files is
// ConfigurationDocumentTest's.
#include "platform/process/ProcessInfo.h"
#include "ui/main/MainWindowFixture.h"

namespace ze6::test {
namespace {

class DocumentTest : public MainWindowTest {
protected:
    std::string SaveAsNew(const std::string& name)
    {
        components.dialogs.answers.push_back(folder / name);
        OpenFileMenu();
        Action("mnuSaveAs")->trigger();
        return folder / name;
    }
};

// Each dialog starts at the current file, or in the configuration folder
// while there is none; opening replaces unsaved changes without asking, and
// the document just opened closes without a question.
TEST_F(DocumentTest, SaveAsSaveAndOpenRecordTheFileAndStartAtIt)
{
    PutJobs({{"/données/*.RZT", "/backup/", {5}}, {" /my data/ ", "/to/", {0, 7, 0, 0, 2}, true}});
    const std::string path = SaveAsNew("jobs.rzb");
    ASSERT_EQ(components.dialogs.calls.size(), 1u);
    const FileDialogCall& call = components.dialogs.calls[0];
    EXPECT_EQ(std::tuple(call.save, call.owner, call.initialLocation, call.option),
              std::tuple(true, WindowHandle(window.get()), components.configFolder, true));
    EXPECT_EQ(window->windowTitle().toStdString(), "DA Zadaro - " + path);
    EXPECT_FALSE(window->IsDirty());

    Grid()->selectRow(0);
    Button("cmdRemove")->click();
    OpenFileMenu();
    Action("mnuSave")->trigger();
    EXPECT_EQ(components.dialogs.calls.size(), 1u);
    EXPECT_EQ(ReadFile(path), "\" /my data/ \" \"/to/\" KEEPLAST: KEEPDAILY:7 KEEPYEARLY:2 IFCHANGED\r\n");
    EXPECT_FALSE(window->IsDirty());

    // The name comes back as typed, no extension added.
    SaveAsNew("copy");
    EXPECT_EQ(components.dialogs.calls[1].initialLocation, path);
    EXPECT_EQ(window->CurrentFile().toStdString(), folder / "copy");

    const std::string daily =
        folder.Write("daily.ZE6Vivevu", "\"/e/\" \"/f/\" KEEPLAST:2 ifchanged KeepWeekly:4\r\n\"/g/\" \"/h/\"\r\n");
    Grid()->selectRow(0);
    Button("cmdRemove")->click();
    ASSERT_TRUE(window->IsDirty());
    // Cancelled, a dialog does nothing; a file that cannot be read is named in a box.
    components.dialogs.answers = {"", folder / "gone.rzb", daily};
    OpenFileMenu();
    Action("mnuOpen")->trigger();
    Action("mnuOpen")->trigger();
    ASSERT_EQ(Asked().size(), 1u);
    EXPECT_NE(Asked()[0].text.find(folder / "gone.rzb"), std::string::npos) << Asked()[0].text;
    EXPECT_EQ(window->windowTitle().toStdString(), "DA Zadaro - " + folder / "copy");
    Asked().clear();
    Action("mnuOpen")->trigger();
    const FileDialogCall& open = components.dialogs.calls.at(4);
    EXPECT_EQ(std::tuple(open.save, open.initialLocation, open.option), std::tuple(false, folder / "copy", true));
    EXPECT_TRUE(Asked().empty());
    EXPECT_EQ(Jobs(), (std::vector<modDAZadaro::Job>{{"/e/", "/f/", {2, 0, 4}, true}, {"/g/", "/h/", {0}}}));
    EXPECT_EQ(Grid()->model()->index(0, 3).data().toString().toStdString(), "KEEPWEEKLY:4 IFCHANGED");
    EXPECT_EQ(window->windowTitle().toStdString(), "DA Zadaro - " + daily);
    EXPECT_FALSE(window->IsDirty());
    EXPECT_EQ(Grid()->currentIndex().row(), 1);
    EXPECT_TRUE(window->close()); // without a question
    EXPECT_TRUE(Asked().empty());
}

TEST_F(DocumentTest, ClosingAsksOnlyWithUnsavedChanges)
{
    PutJobs({{"/a/", "/b/", {1}}, {"/c/", "/d/", {0}}});
    Grid()->selectRow(0);
    Button("cmdRemove")->click();
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
