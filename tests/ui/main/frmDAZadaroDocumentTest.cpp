// Loading reads through the engine's line and number readers; those tests need
// the real engine linked in.
#include "platform/ProcessInfo.h"
#include "support/SmallDisk.h"
#include "support/WithoutFileAccessOverride.h"
#include "ui/main/MainWindowFixture.h"

#include <QDir>
#include <QFile>
#include <csignal>
#include <sys/resource.h>

namespace ze6::test {
namespace {

using namespace std::string_literals;

class DocumentTest : public MainWindowTest {
protected:
    // Saves the grid through File > Save As to a new file and returns its path.
    std::string SaveAsNew(const std::string& name)
    {
        components.dialogs.answers.push_back(folder / name);
        OpenFileMenu();
        Action("mnuSaveAs")->trigger();
        return folder / name;
    }

    // A list with a file whose later change is not saved yet.
    std::string ChangedDocument()
    {
        PutJobs({{"/a/", "/b/", "1"}, {"/c/", "/d/", ""}});
        const std::string path = SaveAsNew("jobs.rzb");
        Grid()->clearSelection();
        Button("cmdRemove")->click(); // nothing selected, still a change
        return path;
    }

    void ExpectUnchanged(const std::vector<JobRow>& jobs, const std::string& file)
    {
        EXPECT_EQ(window->Jobs(), jobs);
        EXPECT_EQ(window->CurrentFile().toStdString(), file);
        EXPECT_EQ(window->windowTitle().toStdString(), file.empty() ? "DA Zadaro" : "DA Zadaro - " + file);
        EXPECT_TRUE(window->IsDirty());
    }

    // A list saved to `name` whose first row was removed since.
    std::string SavedThenChanged(const std::string& name)
    {
        PutJobs({{"/a/", "/b/", "1"}, {"/c/", "/d/", ""}});
        const std::string path = SaveAsNew(name);
        Grid()->selectRow(0);
        Button("cmdRemove")->click();
        return path;
    }

    void ExpectFailedSaveChangedNothing(const std::string& path, const std::string& saved, const std::string& why)
    {
        ASSERT_EQ(Asked().size(), 1u);
        EXPECT_NE(Asked()[0].text.find("could not be saved"), std::string::npos) << Asked()[0].text;
        EXPECT_NE(Asked()[0].text.find(why), std::string::npos) << Asked()[0].text;
        ExpectOneFailureBox(path);
        EXPECT_EQ(ReadFile(path), saved);
        ExpectUnchanged({{"/c/", "/d/", ""}}, path);
        const QDir beside(QString::fromStdString(path).section(QLatin1Char('/'), 0, -2));
        EXPECT_EQ(beside.entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral("jobs")).size(), 1);
    }

    void ExpectOneFailureBox(const std::string& path)
    {
        ASSERT_EQ(Asked().size(), 1u);
        EXPECT_EQ(Asked()[0].title, ExecutableName());
        EXPECT_EQ(Asked()[0].buttons, PromptButtons::Ok);
        EXPECT_EQ(Asked()[0].icon, PromptIcon::Critical);
        EXPECT_NE(Asked()[0].text.find(path), std::string::npos) << Asked()[0].text;
        Asked().clear();
    }
};

TEST_F(DocumentTest, FileMenuOffersSavingOnlyForAListAndSaveOnlyForAFile)
{
    const auto enabled = [this] {
        OpenFileMenu();
        return std::pair(Action("mnuSave")->isEnabled(), Action("mnuSaveAs")->isEnabled());
    };
    EXPECT_EQ(enabled(), std::pair(false, false));
    PutJobs({{"/a/", "/b/", ""}});
    EXPECT_EQ(enabled(), std::pair(false, true));
    SaveAsNew("jobs.rzb");
    EXPECT_EQ(enabled(), std::pair(true, true));
    Grid()->selectRow(0);
    Button("cmdRemove")->click();
    EXPECT_EQ(enabled(), std::pair(false, false));
    EXPECT_TRUE(window->IsDirty());
}

TEST_F(DocumentTest, SaveAsAndSaveWriteTheListAndRecordTheFile)
{
    PutJobs({{"/données/*.RZT", "/backup/", "5"}, {" /my data/ ", "/to/", ""}});
    const std::string path = SaveAsNew("jobs.rzb");
    ASSERT_EQ(components.dialogs.calls.size(), 1u);
    const FileDialogCall& call = components.dialogs.calls[0];
    EXPECT_TRUE(call.save);
    EXPECT_EQ(call.owner, static_cast<WindowHandle>(window.get()));
    EXPECT_EQ(call.title, "Save Backup Configuration File");
    EXPECT_EQ(call.filter, "DA Zadaro Configuration File (*.RZB)\0*.RZB\0\0"s);
    EXPECT_TRUE(call.option);
    EXPECT_EQ(ReadFile(path), "\"/données/*.RZT\" \"/backup/\" KEEPLAST:5\r\n\" /my data/ \" \"/to/\" KEEPLAST:\r\n");
    EXPECT_EQ(window->windowTitle().toStdString(), "DA Zadaro - " + path);
    EXPECT_FALSE(window->IsDirty());

    // Save replaces the current file without a dialog.
    Grid()->selectRow(0);
    Button("cmdRemove")->click();
    OpenFileMenu();
    Action("mnuSave")->trigger();
    EXPECT_EQ(components.dialogs.calls.size(), 1u);
    EXPECT_EQ(ReadFile(path), "\" /my data/ \" \"/to/\" KEEPLAST:\r\n");
    EXPECT_FALSE(window->IsDirty());

    // The next dialog starts at the current file; the name comes back as typed, no extension added.
    SaveAsNew("copy");
    EXPECT_EQ(components.dialogs.calls[1].initialLocation, path);
    EXPECT_EQ(window->CurrentFile().toStdString(), folder / "copy");
    EXPECT_TRUE(Asked().empty());
}

TEST_F(DocumentTest, CancelledDialogsChangeNothing)
{
    ChangedDocument();
    const std::vector<JobRow> jobs = window->Jobs();
    components.dialogs.answers = {"", ""};
    OpenFileMenu();
    Action("mnuOpen")->trigger();
    Action("mnuSaveAs")->trigger();
    EXPECT_EQ(components.dialogs.calls.size(), 3u);
    ExpectUnchanged(jobs, folder / "jobs.rzb");
    EXPECT_TRUE(Asked().empty());
}

// Needs the engine.
TEST_F(DocumentTest, OpenStartsInTheConfigFolderAndReplacesUnsavedChangesWithoutAsking)
{
    const std::string path = folder.Write("daily.ZE6Vivevu", "\"/e/\" \"/f/\" KEEPLAST:2\r\n\"/g/\" \"/h/\"\r\n");
    PutJobs({{"/old/", "/old/", ""}});
    Button("cmdRemove")->click();
    components.dialogs.answers.push_back(path);
    OpenFileMenu();
    Action("mnuOpen")->trigger();

    ASSERT_EQ(components.dialogs.calls.size(), 1u);
    const FileDialogCall& call = components.dialogs.calls[0];
    EXPECT_FALSE(call.save);
    EXPECT_EQ(call.initialLocation, components.configFolder);
    EXPECT_EQ(call.title, "Open Backup Configuration File");
    EXPECT_EQ(call.filter, "DA Zadaro Configuration File\0*.RZB;*.ZE6VIVEVU;*.RZB6;*.ZE6Vivevu\0\0"s);
    EXPECT_TRUE(call.option);
    EXPECT_TRUE(Asked().empty());
    EXPECT_EQ(window->Jobs(), (std::vector<JobRow>{{"/e/", "/f/", "2"}, {"/g/", "/h/", ""}}));
    EXPECT_EQ(window->windowTitle().toStdString(), "DA Zadaro - " + path);
    EXPECT_FALSE(window->IsDirty());
    EXPECT_EQ(Grid()->currentRow(), 1);
}

// Needs the engine.
TEST_F(DocumentTest, LoadKeepsOnlyCanonicalLinesAndSaveWritesThemBack)
{
    // Number and line reading belong to the engine; here only that loading goes through them.
    const std::string path = folder.Write("mixed.rzb", "\"/rz/data/*.RZT\" \"/rz/backup/\" KEEPLAST:5\r\n"
                                                       "\r\n# a remark\r\n"
                                                       "  \"/indented/\" \"/b/\" KEEPLAST:1\r\n"
                                                       "\"/open/target/\" \"/b/\r\n"
                                                       "\" /blanks kept/ \"  \" /to/ \"\r"
                                                       "\"/lower/\" \"/b/\" keeplast:7\r\n"
                                                       "\"/half/\" \"/b/\" KEEPLAST:2.5\r\n"
                                                       "\"/neg/\" \"/b/\" KEEPLAST:-3\r\n"
                                                       "\"/zero/\" \"/b/\" KEEPLAST:0\r\n"
                                                       "\"/données/Ünit.RZT6\" \"/sauvegarde/\" KEEPLAST:\r\n"
                                                       "\"/lf/\" \"/b/\" KEEPLAST:3\n\"/c/\" \"/d/\" KEEPLAST:4");
    ASSERT_TRUE(window->LoadFile(QString::fromStdString(path)));
    const std::vector<JobRow> expected{
        {"/rz/data/*.RZT", "/rz/backup/", "5"},
        {" /blanks kept/ ", " /to/ ", ""},
        {"/lower/", "/b/", "7"},
        {"/half/", "/b/", "2"},
        {"/neg/", "/b/", "-3"},
        {"/zero/", "/b/", ""},
        {"/données/Ünit.RZT6", "/sauvegarde/", ""},
        {"/lf/", "/b/", "3"}, // a bare line feed ends no line; the reading stops at the next quote
    };
    EXPECT_EQ(window->Jobs(), expected);
    EXPECT_TRUE(Asked().empty());

    ASSERT_TRUE(window->SaveFile(QString::fromStdString(folder / "clean.rzb")));
    std::string written;
    for (const JobRow& row : expected)
        written += "\"" + row.source + "\" \"" + row.target + "\" KEEPLAST:" + row.keepLast + "\r\n";
    EXPECT_EQ(ReadFile(folder / "clean.rzb"), written);
    ASSERT_TRUE(window->LoadFile(QString::fromStdString(folder / "clean.rzb")));
    EXPECT_EQ(window->Jobs(), expected);
}

TEST_F(DocumentTest, AFileThatCannotBeReadChangesNothing)
{
    const std::string saved = ChangedDocument();
    const std::vector<JobRow> jobs = window->Jobs();
    for (const std::string& path : {folder / "removed-meanwhile.rzb", folder.MakeFolder("a-folder.rzb")}) {
        EXPECT_FALSE(window->LoadFile(QString::fromStdString(path)));
        ExpectOneFailureBox(path);
        ExpectUnchanged(jobs, saved);
    }

    const std::string locked = folder.Write("locked.rzb", "\"/x/\" \"/y/\"\r\n");
    QFile::setPermissions(QString::fromStdString(locked), QFile::WriteOwner);
    WithoutFileAccessOverride permissionsHold;
    if (!permissionsHold.Active())
        GTEST_SKIP() << "file permissions cannot be enforced here";
    EXPECT_FALSE(window->LoadFile(QString::fromStdString(locked)));
    ExpectOneFailureBox(locked);
    ExpectUnchanged(jobs, saved);
}

TEST_F(DocumentTest, AFailedSaveKeepsTheOldFileAndTheDocumentState)
{
    const std::string path = folder.Write("shared/jobs.rzb", "\"/old/\" \"/b/\" KEEPLAST:\r\n");
    PutJobs({{"/new/", "/b/", "3"}});
    Button("cmdRemove")->click();
    const QString shared = QString::fromStdString(folder / "shared");
    QFile::setPermissions(shared, QFile::ReadOwner | QFile::ExeOwner);
    bool enforced = false;
    bool saved = true;
    {
        WithoutFileAccessOverride permissionsHold;
        enforced = permissionsHold.Active();
        if (enforced)
            saved = window->SaveFile(QString::fromStdString(path));
    }
    QFile::setPermissions(shared, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (!enforced)
        GTEST_SKIP() << "file permissions cannot be enforced here";

    EXPECT_FALSE(saved);
    ExpectOneFailureBox(path);
    EXPECT_EQ(ReadFile(path), "\"/old/\" \"/b/\" KEEPLAST:\r\n");
    EXPECT_EQ(QDir(shared).entryList(QDir::Files | QDir::Hidden).size(), 1); // no temporary left behind
    ExpectUnchanged({{"/new/", "/b/", "3"}}, "");
}

// Ignores SIGXFSZ and holds every file this process writes to a few bytes, as
// a disk with only that much room left would; both are restored afterwards.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) : m_handler(std::signal(SIGXFSZ, SIG_IGN))
    {
        ::getrlimit(RLIMIT_FSIZE, &m_saved);
        const rlimit limit{bytes, m_saved.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_handler);
    }

private:
    sighandler_t m_handler;
    rlimit m_saved{};
};

TEST_F(DocumentTest, ASaveBeyondTheFileSizeLimitKeepsTheOldFileAndTheDocumentState)
{
    const std::string path = SavedThenChanged("jobs.rzb");
    const std::string saved = ReadFile(path);
    {
        const FileSizeLimit limit(16);
        OpenFileMenu();
        Action("mnuSave")->trigger();
    }
    ExpectFailedSaveChangedNothing(path, saved, "File too large");
}

TEST_F(DocumentTest, ASaveOntoAFullDiskKeepsTheOldFileAndTheDocumentState)
{
    const SmallDisk disk(folder / "disk", 64 * 1024);
    if (!disk.Mounted())
        GTEST_SKIP() << disk.Reason();
    const std::string path = SavedThenChanged("disk/jobs.rzb");
    const std::string saved = ReadFile(path);
    disk.Fill();
    OpenFileMenu();
    Action("mnuSave")->trigger();
    ExpectFailedSaveChangedNothing(path, saved, "No space left on device");
}

TEST_F(DocumentTest, ClosingAsksOnlyWithUnsavedChanges)
{
    ChangedDocument();
    components.prompt.answers = {PromptAnswer::No, PromptAnswer::No, PromptAnswer::Yes};
    EXPECT_FALSE(window->close());
    ASSERT_EQ(Asked().size(), 1u);
    EXPECT_EQ(Asked()[0], (PromptRequest{"Quit without saving your changes?", ExecutableName(), PromptButtons::YesNo,
                                         PromptIcon::None}));
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->JobCount(), 2);
    EXPECT_TRUE(window->IsDirty());

    Action("mnuExit")->trigger(); // the same way as the close box
    EXPECT_EQ(Asked().size(), 2u);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->close());
    EXPECT_EQ(Asked().size(), 3u);

    // A document just saved closes without a question.
    window = std::make_unique<frmDAZadaro>();
    window->show();
    PutJobs({{"/a/", "/b/", ""}});
    SaveAsNew("again.rzb");
    EXPECT_TRUE(window->close());
    EXPECT_EQ(Asked().size(), 3u);
}

} // namespace
} // namespace ze6::test
