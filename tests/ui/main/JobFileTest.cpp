#include "ui/main/JobFile.h"
#include "platform/RuntimeError.h"
#include "support/TempFolder.h"
#include "ui/main/WithoutFileAccessOverride.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace ze6 {
namespace {

using test::ReadFile;
using test::TempFolder;

TEST(WriteJobFile, WritesOneCrLfLinePerJobReplacingTheWholeFile)
{
    TempFolder folder;
    const std::string path = folder.Write("jobs.rzb", std::string(500, 'x'));
    WriteJobFile(path, {{"/données/*.RZT", "/b/", "5"}, {" /a b/ ", "/c/", ""}});
    EXPECT_EQ(ReadFile(path), "\"/données/*.RZT\" \"/b/\" KEEPLAST:5\r\n\" /a b/ \" \"/c/\" KEEPLAST:\r\n");

    WriteJobFile(path, {});
    EXPECT_EQ(ReadFile(path), "");
}

TEST(WriteJobFile, FailureLeavesThePreviousFileAndNoTemporaryBehind)
{
    TempFolder folder;
    const std::string path = folder.Write("keep/jobs.rzb", "\"/old/\" \"/b/\" KEEPLAST:\r\n");
    QFile::setPermissions(QString::fromStdString(folder / "keep"), QFile::ReadOwner | QFile::ExeOwner);
    {
        test::WithoutFileAccessOverride permissionsHold;
        if (!permissionsHold.Active())
            GTEST_SKIP() << "file permissions cannot be enforced here";
        EXPECT_THROW(WriteJobFile(path, {{"/new/", "/b/", ""}}), RuntimeError);
    }
    QFile::setPermissions(QString::fromStdString(folder / "keep"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(ReadFile(path), "\"/old/\" \"/b/\" KEEPLAST:\r\n");
    EXPECT_EQ(QDir(QString::fromStdString(folder / "keep")).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST(WriteJobFile, MissingFolderIsAnError)
{
    TempFolder folder;
    try {
        WriteJobFile(folder / "missing/jobs.rzb", {{"/a/", "/b/", ""}});
        FAIL() << "no error raised";
    } catch (const RuntimeError& error) {
        EXPECT_FALSE(error.Description().empty());
    }
    EXPECT_FALSE(test::Exists(folder / "missing"));
}

TEST(ReadJobFile, UnreadableFilesRaiseWithAReason)
{
    TempFolder folder;
    EXPECT_THROW(ReadJobFile(folder / "absent.rzb"), RuntimeError);
    EXPECT_THROW(ReadJobFile(folder.MakeFolder("a-folder.rzb")), RuntimeError);

    const std::string locked = folder.Write("locked.rzb", "\"/a/\" \"/b/\"\r\n");
    QFile::setPermissions(QString::fromStdString(locked), QFile::WriteOwner);
    test::WithoutFileAccessOverride permissionsHold;
    if (!permissionsHold.Active())
        GTEST_SKIP() << "file permissions cannot be enforced here";
    try {
        ReadJobFile(locked);
        FAIL() << "no error raised";
    } catch (const RuntimeError& error) {
        EXPECT_NE(error.Description().find("ermission"), std::string::npos) << error.Description();
    }
}

// Needs the engine's line reader.
TEST(ReadJobFile, ReadsBackWhatWasWritten)
{
    TempFolder folder;
    const std::vector<JobRow> rows{{"/données/Ünit.RZT", "/b/", "3"}, {" /a b/ ", "/c d/", ""}};
    WriteJobFile(folder / "jobs.rzb", rows);
    EXPECT_EQ(ReadJobFile(folder / "jobs.rzb"), rows);
}

} // namespace
} // namespace ze6
