#include "platform/files/FileSystem.h"
#include "platform/files/FolderIndex.h"
#include "support/RaisedNumber.h"
#include "support/TempFolder.h"
#include "support/WithoutFileAccessOverride.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ze6::FileSystem {
namespace {

using test::TempFolder;

test::Names Sorted(test::Names names)
{
    std::sort(names.begin(), names.end());
    return names;
}

void SetModificationTime(const std::string& path, time_t seconds)
{
    const timespec times[2] = {{seconds, 123456789}, {seconds, 123456789}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

TEST(ListFiles, ListsOrdinaryFilesOnlyWithTheFolderInAnyCaseAndRaisesForAnUnreadableFolder)
{
    TempFolder temp;
    const std::string folder = temp.MakeFolder("Data");
    for (const char* name : {"a.rzt", "B.RZT6", ".hidden.rzt", "notes.txt", "c.rzt66"})
        temp.Write(std::string("Data/") + name);
    temp.MakeFolder("Data/folder.rzt");
    ASSERT_EQ(mkfifo((folder + "pipe.rzt").c_str(), 0600), 0);
    ASSERT_EQ(symlink((folder + "a.rzt").c_str(), (folder + "link.rzt").c_str()), 0);
    ASSERT_EQ(symlink((folder + "folder.rzt").c_str(), (folder + "folderlink.rzt").c_str()), 0);
    ASSERT_EQ(symlink((folder + "gone").c_str(), (folder + "dangling.rzt").c_str()), 0);

    const test::Names expected = {"B.RZT6", "a.rzt", "link.rzt"};
    EXPECT_EQ(Sorted(ListFiles(folder + "*.RZT?")), expected);
    EXPECT_EQ(Sorted(ListFiles(temp / "DATA/*.rzt?")), expected);
    EXPECT_EQ(ListFiles(temp / "DATA/NOTES.TXT"), test::Names{"notes.txt"});
    EXPECT_TRUE(ListFiles(temp / "missing/*.rzt").empty());
    EXPECT_TRUE(ListFiles(temp / "Data/notes.txt/*").empty());
    // Longer than the system allows: a name matches nothing, a folder is an error.
    EXPECT_TRUE(ListFiles(folder + std::string(300, 'n') + ".RZT").empty());
    EXPECT_EQ(test::RaisedNumber([&] { ListFiles(folder + std::string(5000, 'd') + "/*.RZT"); }),
              ErrorNumber::BadFileName);

    ASSERT_EQ(chmod(folder.c_str(), 0), 0);
    if (test::WithoutFileAccessOverride permissionsHold; permissionsHold.Active()) {
        EXPECT_EQ(test::RaisedNumber([&] { ListFiles(folder + "*.RZT?"); }), ErrorNumber::PermissionDenied);
    }
    chmod(folder.c_str(), 0700);
}

TEST(ResolvePath, FindsEveryComponentInAnyCasePreferringTheExactSpelling)
{
    TempFolder temp;
    const std::string file = temp.Write("Jobs/Plant A/Daily.RZT6");
    EXPECT_EQ(ResolvePath(file), file);
    EXPECT_EQ(ResolvePath(temp / "JOBS/plant a/daily.rzt6"), file);
    EXPECT_EQ(ResolvePath(temp / "jobs/./PLANT A/../plant a/DAILY.rzt6"),
              temp / "Jobs/./Plant A/../Plant A/Daily.RZT6");
    EXPECT_FALSE(ResolvePath(temp / "jobs/plant b/daily.rzt6"));
    EXPECT_FALSE(ResolvePath(temp / "jobs/plant a/daily.rzt6/")); // a file is not a folder
    EXPECT_FALSE(ResolvePath(""));
    EXPECT_TRUE(PathExists(temp / "jobs/plant a/DAILY.RZT6"));

    for (const std::string& exact : {temp.Write("ABC.RZD"), temp.Write("abc.rzd")})
        EXPECT_EQ(ResolvePath(exact), exact);
    const std::string umlaut = temp.Write("\xC3\x84rger.rzt");
    EXPECT_EQ(ResolvePath(temp / "\xC3\xA4RGER.RZT"), umlaut);
}

TEST(ResolvePath, NoticesFilesAddedAfterTheFolderWasListed)
{
    const FolderIndex::Scope lookups; // as in a run, which keeps its listings
    TempFolder temp;
    const std::string folder = temp.MakeFolder("many");
    temp.Write("many/a.rzt");
    EXPECT_FALSE(ResolvePath(folder + "NEW.RZD"));
    temp.Write("many/New.rzd"); // most likely within the same second as the listing
    EXPECT_EQ(ResolvePath(folder + "NEW.RZD"), folder + "New.rzd");

    // A copying tool that sets the folder's time back after adding a file
    // still moves its change time.
    SetModificationTime(folder, 1600000000);
    EXPECT_TRUE(PathExists(folder + "A.RZT")); // listed
    temp.Write("many/Later.rzd");
    SetModificationTime(folder, 1600000000);
    EXPECT_TRUE(PathExists(folder + "LATER.rzd"));
}

TEST(MakeSingleFolder, CreatesOneLevelAndFollowsFoldersInAnotherCase)
{
    TempFolder temp;
    temp.MakeFolder("Backup");
    EXPECT_TRUE(MakeSingleFolder(temp / "BACKUP/"));
    EXPECT_FALSE(test::Exists(temp / "BACKUP"));
    EXPECT_TRUE(MakeSingleFolder(temp / "backup/Daily/"));
    EXPECT_TRUE(test::Exists(temp / "Backup/Daily"));
    EXPECT_FALSE(MakeSingleFolder(temp / "missing/level/"));
}

TEST(DeleteFile, DeletesInAnyCaseAndRaisesFileNotFound)
{
    TempFolder temp;
    temp.Write("Old_2024.RZZ");
    DeleteFile(temp / "old_2024.rzz");
    EXPECT_FALSE(test::Exists(temp / "Old_2024.RZZ"));
    EXPECT_FALSE(PathExists(temp / "old_2024.rzz"));
    EXPECT_EQ(test::RaisedNumber([&] { DeleteFile(temp / "old_2024.rzz"); }), ErrorNumber::FileNotFound);
}

// The failures no test here can cause for real: a read-only file system, a
// name taken between a check and the creation, a disk that is really full.
TEST(ErrorFromErrno, FailuresTheTestsCannotCause)
{
    EXPECT_EQ(ErrorFromErrno(EROFS, "x").Number(), ErrorNumber::PermissionDenied);
    EXPECT_EQ(ErrorFromErrno(EEXIST, "x").Number(), ErrorNumber::FileAlreadyExists);
    EXPECT_EQ(ErrorFromErrno(ENOSPC, "x").Number(), ErrorNumber::DiskFull);
}

} // namespace
} // namespace ze6::FileSystem
