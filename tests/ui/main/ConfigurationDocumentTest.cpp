#include "ui/main/ConfigurationDocument.h"
#include "platform/process/ProcessInfo.h"
#include "support/FailingFolderSync.h"
#include "support/FullDisk.h"
#include "support/TempFolder.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace ze6::test {
namespace {

using modDAZadaro::Job;
using FileOutcome = ConfigurationDocument::FileOutcome;

const std::string kSaved = "\"/a/\" \"/b/\" KEEPLAST:1\r\n\"/c/\" \"/d/\" KEEPLAST:\r\n";

QString Q(const std::string& path)
{
    return QString::fromStdString(path);
}

class ConfigurationDocumentTest : public ::testing::Test {
protected:
    // A document saved to jobs.rzb (as kSaved) whose first job was removed since.
    std::string SavedThenChanged()
    {
        EXPECT_FALSE(document.Add({{"/a/", "/b/", {1}}, {"/c/", "/d/", {0}}}));
        const std::string path = folder / "jobs.rzb";
        EXPECT_TRUE(document.Save(Q(path)).done);
        document.Remove({0});
        return path;
    }

    void ExpectUnchanged(const std::string& file) const
    {
        EXPECT_EQ(document.Jobs(), (std::vector<Job>{{"/c/", "/d/", {0}}}));
        EXPECT_EQ(document.CurrentFile().toStdString(), file);
        EXPECT_EQ(document.Caption().toStdString(), "DA Zadaro - " + file);
        EXPECT_TRUE(document.IsDirty());
    }

    static void ExpectFailure(const FileOutcome& outcome, const std::string& path, const std::string& why)
    {
        ASSERT_TRUE(outcome.notice);
        const PromptRequest& notice = *outcome.notice;
        EXPECT_EQ(std::tuple(outcome.done, notice.title, notice.buttons, notice.icon),
                  std::tuple(false, ExecutableName(), PromptButtons::Ok, PromptIcon::Critical));
        for (const std::string& part : {path, why})
            EXPECT_NE(notice.text.find(part), std::string::npos) << notice.text;
    }

    TempFolder folder;
    ConfigurationDocument document;
};

TEST_F(ConfigurationDocumentTest, LoadKeepsOnlyTheLinesAJobCanHoldAndNamesThoseTooLongToHold)
{
    const std::string longest = "/" + std::string(modDAZadaro::kLongestCell - 1, 'a');
    const std::string shown = "\"/rz/data/*.RZT\" \"/rz/backup/\" KEEPLAST:5\r\n"
                              "\r\n# a remark\r\n"
                              "  \"/indented/\" \"/b/\" KEEPLAST:1\r\n"
                              "\"/open/target/\" \"/b/\r\n"
                              "\" /blanks kept/ \"  \" /to/ \"\r"
                              "\"/données/Ünit.RZT6\" \"/sauvegarde/\" KEEPLAST:\r\n"
                              "\"/caf\xe9/\" \"/b/\" KEEPLAST:-3\r\n";
    const std::string longLines = "\"" + longest + "a\" \"/b/\"\r\n\"" + longest + "\" \"/b/\"\r\n";
    const std::string path = folder.Write("mixed.rzb", shown + longLines + "\"/c/\" \"/d/\" KEEPLAST:4");
    const FileOutcome outcome = document.Load(Q(path));
    EXPECT_TRUE(outcome.done);
    EXPECT_EQ(outcome.notice, (PromptRequest{"Line 9 of\r\n" + path +
                                                 "\r\nwas not loaded: a path in it is longer than 4096 bytes, "
                                                 "more than any path can be.",
                                             ExecutableName(), PromptButtons::Ok, PromptIcon::Exclamation}));
    EXPECT_EQ(document.Jobs(), (std::vector<Job>{{"/rz/data/*.RZT", "/rz/backup/", {5}},
                                                 {" /blanks kept/ ", " /to/ ", {0}},
                                                 {"/données/Ünit.RZT6", "/sauvegarde/", {0}},
                                                 {"/caf\xe9/", "/b/", {-3}},
                                                 {longest, "/b/", {0}},
                                                 {"/c/", "/d/", {4}}}));
    EXPECT_EQ(document.CurrentFile().toStdString(), path);
    EXPECT_FALSE(document.IsDirty());
}

// Loaded, a quote inside a path would make the line another job than the one
// written; saved or added, a quote or line break would spread it.
TEST_F(ConfigurationDocumentTest, AFailedLoadSaveOrAddSaysWhyAndChangesNothing)
{
    const std::string saved = SavedThenChanged();
    const std::string injected = folder.Write(
        "injected.rzb", "\"/a/\" \"/b/\" KEEPLAST:5\r\n\"/src/\" \"/data/inj\" KEEPLAST:1 \"\" KEEPLAST:5\r\n");
    ExpectFailure(document.Load(Q(injected)), injected, "Line 2 holds more double quotes than a job line can");
    ExpectUnchanged(saved);

    for (const std::string target : {"/data/inj\" KEEPLAST:1 \"", "/two\nlines/", "/two\rlines/"}) {
        document.JobList().Append({{"/src/", target, {5}}});
        ExpectFailure(document.Save(Q(saved)), saved, "Row 2 holds a double quote or a line break");
        EXPECT_EQ(ReadFile(saved), kSaved);
        document.JobList().RemoveRows({1});
        ExpectUnchanged(saved);
    }
    // One bad job refuses all that come with it.
    const std::optional<PromptRequest> refused = document.Add({{"/ok/", "/t/", {0}}, {"/src/", "/two\nlines/", {0}}});
    ASSERT_TRUE(refused);
    EXPECT_NE(refused->text.find("Row 3 holds a double quote or a line break"), std::string::npos) << refused->text;
    ExpectUnchanged(saved);

    ExpectFailure(document.Load(Q(folder / "removed-meanwhile.rzb")), folder / "removed-meanwhile.rzb",
                  "could not be read");
    ExpectUnchanged(saved);

    // Beyond the file size limit the old file stays; when the folder cannot
    // be synced the new file is in place, but its name may not survive a crash.
    const std::string& path = saved;
    {
        const FileSizeLimit limit(16);
        ExpectFailure(document.Save(Q(path)), path, "could not be saved:\r\n" + path + "\r\n\r\nFile too large");
    }
    EXPECT_EQ(ReadFile(path), kSaved);
    ExpectUnchanged(path);
    const Names beside = FolderNames(folder.Path());
    EXPECT_EQ(std::ranges::count_if(beside, [](auto& name) { return name.find("jobs") != std::string::npos; }), 1)
        << testing::PrintToString(beside);
    {
        const FailingFolderSync failing;
        ExpectFailure(document.Save(Q(path)), path, "Its folder could not be written to disk: ");
    }
    EXPECT_EQ(ReadFile(path), "\"/c/\" \"/d/\" KEEPLAST:\r\n");
    ExpectUnchanged(path);
}

} // namespace
} // namespace ze6::test
