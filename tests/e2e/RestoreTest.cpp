#include "support/FullDisk.h"
#include "support/ProgramRun.h"
#include "support/WithoutFileAccessOverride.h"
#include "support/ZipReader.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ze6::test {
namespace {

using Contents = std::map<std::string, std::string>;

std::string Logged(const std::string& procedure, const std::string& error)
{
    return "ERROR: modDAZadaro, " + procedure + ", Runtime error occured: " + error;
}

class RestoreTest : public ProgramFixture {
protected:
    Result Run(const Names& arguments) const { return program.Run(arguments); }

    Contents In(const std::string& relative) const
    {
        Contents contents;
        for (const auto& name : FolderNames(temp / relative))
            contents[name] = ReadFile(temp / (relative + "/" + name));
        return contents;
    }

    void Write(const std::string& folder, const Contents& files) const
    {
        for (const auto& [name, content] : files)
            temp.Write(folder + "/" + name, content);
    }

    // Backs up data/PLANT1.RZT into an empty backup/ and returns the archive's path.
    std::string BackUp() const
    {
        EXPECT_EQ(Run({temp / "data/PLANT1.RZT", temp / "backup"}).status, 0);
        const Names names = FolderNames(temp / "backup");
        return names.empty() ? "" : temp / ("backup/" + names[0]);
    }
};

// Into a new folder a restore is byte for byte; over changed files it saves
// them first.
TEST_F(RestoreTest, RestoreIsByteIdenticalAndOverChangedFilesSavesThemFirst)
{
    const Contents original = {{"PLANT1.RZT", RandomBytes(300000, 1)}, {"Plant1.rzd", "companion"}};
    Write("data", original);
    const std::string archive = BackUp();

    EXPECT_TRUE(Silent(Run({"/restore", archive, temp / "new/sub folder"})));
    EXPECT_EQ(In("new/sub folder"), original);
    EXPECT_EQ(FolderNames(temp / "backup").size(), 1u); // nothing was replaced, so nothing was saved first

    // Since the backup: the data file changed, the companion was rewritten
    // under another letter case, and a new companion appeared.
    std::filesystem::remove(temp / "data/Plant1.rzd");
    const Contents changed = {
        {"PLANT1.RZT", "changed data"}, {"PLANT1.RZD", "companion now"}, {"PLANT1.rzi", "new companion"}};
    Write("data", changed);

    // A relative folder, as a user at a shell types it (the run starts in temp).
    EXPECT_TRUE(Silent(Run({"/RESTORE", archive, "data"})));
    EXPECT_EQ(In("data"), (Contents{{"PLANT1.RZT", original.at("PLANT1.RZT")},
                                    {"PLANT1.RZD", "companion"},
                                    {"PLANT1.rzi", "new companion"}}));
    const Names archives = FolderNames(temp / "backup");
    ASSERT_EQ(archives.size(), 2u);
    const std::string safety = temp / ("backup/" + archives[archives[0] == archive.substr(archive.rfind('/') + 1)]);
    const auto saved = ReadZip(safety);
    ASSERT_EQ(saved.size(), 3u);
    for (const auto& entry : saved)
        EXPECT_EQ(entry.content, changed.at(entry.name)) << entry.name;
    EXPECT_FALSE(Exists(logPath));
}

TEST_F(RestoreTest, ADamagedArchiveRestoresNothingAndVerifyNamesIt)
{
    Write("data", {{"PLANT1.RZT", RandomBytes(200000, 3)}, {"PLANT1.rzd", "companion"}});
    const std::string good = ReadFile(BackUp());
    std::string flipped = good;
    flipped[good.size() / 2] ^= 0x55; // inside the first entry's data
    const std::vector<std::pair<std::string, std::string>> damaged = {
        {"PLANT1_2020-01-01-00-00-01.RZZ", flipped},
        {"PLANT1_2020-01-01-00-00-02.RZZ", good.substr(0, good.size() / 2)},
        {"PLANT1_2020-01-01-00-00-03.RZZ", "PLANT1.RZT was here\r\n"}};
    for (const auto& [name, content] : damaged)
        temp.Write("archives/" + name, content);
    temp.Write("archives/PLANT1_2020-01-01-00-00-04.RZZ", good);
    temp.Write("data/PLANT1.RZT", "changed since");
    const Contents data = In("data");
    const Contents archives = In("archives");

    for (const auto& [name, content] : damaged) {
        EXPECT_EQ(Run({"/RESTORE", temp / ("archives/" + name), temp / "data"}).status, 1) << name;
        EXPECT_EQ(Run({"/RESTORE", temp / ("archives/" + name), temp / "new/sub"}).status, 1) << name;
        EXPECT_EQ(In("data"), data) << name;
        EXPECT_FALSE(Exists(temp / "new")) << name;
    }
    EXPECT_EQ(In("archives"), archives);
    const Names restoreEntries = LogEntries(logPath);
    ASSERT_EQ(restoreEntries.size(), 6u);
    for (const auto& entry : restoreEntries)
        EXPECT_TRUE(entry.starts_with(Logged("RestoreArchive", "57 - "))) << entry;
    std::filesystem::remove(logPath);

    const Result verify = Run({"/verify", temp / "archives/"});
    EXPECT_EQ(verify.status, 1);
    EXPECT_EQ(verify.out, "");
    const std::string path = temp / "archives/PLANT1_2020-01-01-00-00-0";
    EXPECT_TRUE(verify.err.starts_with(path + "1.RZZ: Entry PLANT1.RZT ")) << verify.err;
    EXPECT_EQ(verify.err.substr(verify.err.find('\n') + 1),
              path + "2.RZZ: Cut short: the archive's directory is missing\n" + path + "3.RZZ: Not a ZIP archive\n");
    const Names entries = LogEntries(logPath);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[2], Logged("VerifyArchives", "57 - Not a ZIP archive: " + path + "3.RZZ Source: ArchiveReader"));
    std::filesystem::remove(logPath);

    // A path that is not there, and a folder without archives.
    for (const std::string& missing : {temp / "nowhere.RZZ", temp / "data"})
        EXPECT_TRUE(Silent(Run({"/VERIFY", missing}), 1)) << missing;
    const auto notFound = [&](const std::string& missing) {
        return Logged("VerifyArchives", "53 - File not found: " + temp / missing + " Source: ZE6Vivevu");
    };
    EXPECT_EQ(LogEntries(logPath), (Names{notFound("nowhere.RZZ"), notFound("data/*.RZZ")}));
}

TEST_F(RestoreTest, AFailedWriteChangesNothing)
{
    // The companion comes after the data file: its write fails once the data
    // file's temporary is already written.
    Write("data", {{"PLANT1.RZT", "as backed up"}, {"PLANT1.rzd", RandomBytes(200000, 4)}});
    const std::string archive = BackUp();
    temp.Write("data/PLANT1.RZT", "changed since");
    const Contents data = In("data");
    namespace fs = std::filesystem;
    const fs::perms write = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    const auto failed = [&](const std::string& error, const std::string& path, const char* source) {
        return Logged("RestoreArchive", error + ": " + temp / path + " Source: " + source);
    };

    fs::permissions(temp / "data", write, fs::perm_options::remove);
    const Result readOnly = program.Run({"/RESTORE", archive, temp / "data"}, [] {
        if (!WithoutFileAccessOverride::DropForChild())
            ::_exit(99);
    });
    fs::permissions(temp / "data", fs::perms::owner_write, fs::perm_options::add);
    const Result full = program.Run({"/RESTORE", archive, temp / "data"}, [] { FileSizeLimit::Apply(100000); });
    const Result fullNew = program.Run({"/RESTORE", archive, temp / "new/sub"}, [] { FileSizeLimit::Apply(100000); });

    for (const Result& result : {readOnly, full, fullNew})
        EXPECT_TRUE(Silent(result, 1));
    EXPECT_EQ(In("data"), data);
    EXPECT_FALSE(Exists(temp / "new"));
    EXPECT_EQ(FolderNames(temp / "backup").size(), 1u);
    EXPECT_EQ(LogEntries(logPath), (Names{failed("70 - Permission denied", "data/PLANT1.RZT", "ZE6Vivevu"),
                                          failed("61 - Disk full", "data/PLANT1.rzd", "ArchiveReader"),
                                          failed("61 - Disk full", "new/sub/PLANT1.rzd", "ArchiveReader")}));
}

// A restore clears its own stale temporaries, gives new files their recorded
// modes, and its undo removes what it created; verify refuses what restore
// refuses.
TEST_F(RestoreTest, ARestoreClearsItsStaleTemporariesAndItsUndoRemovesWhatItCreated)
{
    namespace fs = std::filesystem;
    Write("data", {{"A.RZT", "data"}, {"A.RZN", "companion"}});
    fs::permissions(temp / "data/A.RZN", fs::perms(0644));
    EXPECT_EQ(Run({temp / "data/A.RZT", temp / "backup"}).status, 0);
    const std::string backedUp = temp / ("backup/" + FolderNames(temp / "backup")[0]);
    temp.Write("dst/A.RZT", "old");

    const std::string stale = temp.Write("dst/.A.RZN.abcdefghij.part", "stale");
    fs::last_write_time(stale, fs::file_time_type::clock::now() - std::chrono::hours(2));
    EXPECT_TRUE(Silent(Run({"/RESTORE", backedUp, temp / "dst"})));
    EXPECT_EQ(In("dst"), (Contents{{"A.RZT", "data"}, {"A.RZN", "companion"}}));
    EXPECT_FALSE(Exists(stale));
    const mode_t mask = ::umask(022);
    ::umask(mask);
    EXPECT_EQ(static_cast<mode_t>(fs::status(temp / "dst/A.RZN").permissions()), 0644 & ~mask);
    Names archives = FolderNames(temp / "backup");
    ASSERT_EQ(archives.size(), 2u);
    const std::string safety = temp / ("backup/" + archives[temp / ("backup/" + archives[0]) == backedUp]);
    EXPECT_TRUE(Silent(Run({"/RESTORE", safety, temp / "dst"})));
    EXPECT_EQ(In("dst"), (Contents{{"A.RZT", "old"}}));

    fs::create_directories(temp / "evil");
    const Result made =
        RunTool("python3", {"-c", "import zipfile,sys; zipfile.ZipFile(sys.argv[1],'w').writestr('../evil','x')",
                            temp / "evil/E_2020-01-01-00-00-00.RZZ"});
    ASSERT_EQ(made.status, 0) << made.err;
    EXPECT_EQ(Run({"/VERIFY", temp / "evil/E_2020-01-01-00-00-00.RZZ"}).status, 1);
}

// Root follows no link another user owns in a folder not theirs, logs each
// such fault once and fails; what it creates in a user's folder is theirs.
TEST_F(RestoreTest, RootFollowsNoUntrustedLinkAndGivesNewFilesToTheFolderOwner)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can plant another user's links and restore into another user's folder";
    namespace fs = std::filesystem;
    const passwd* nobody = ::getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    Write("data", {{"A.RZT", "data"}, {"A.RZN", "companion"}});
    EXPECT_EQ(Run({temp / "data/A.RZT", temp / "backup"}).status, 0);
    const std::string archive = temp / ("backup/" + FolderNames(temp / "backup")[0]);

    temp.Write("theirs/A.RZT", "old");
    for (const std::string& path : {temp / "theirs", temp / "theirs/A.RZT"})
        ASSERT_EQ(::chown(path.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
    EXPECT_TRUE(Silent(Run({"/RESTORE", archive, temp / "theirs"})));
    struct stat created {};
    ASSERT_EQ(::stat((temp / "theirs/A.RZN").c_str(), &created), 0);
    EXPECT_EQ(created.st_uid, nobody->pw_uid);
    EXPECT_EQ(created.st_gid, nobody->pw_gid);

    fs::create_directories(temp / "private");
    fs::create_directories(temp / "shared");
    const auto plant = [&](const std::string& target, const std::string& link) {
        fs::create_symlink(target, link);
        ASSERT_EQ(::lchown(link.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
    };
    plant(temp / "private", temp / "shared/restore-here");
    plant(temp / "backup", temp / "shared/archives");
    temp.Write("dst/A.RZT", "old");
    plant(temp / "private/elsewhere", temp / "dst/A.RZN");
    EXPECT_TRUE(Silent(Run({"/RESTORE", archive, temp / "shared/restore-here"}), 1));
    EXPECT_TRUE(Silent(Run({"/VERIFY", temp / "shared/archives"}), 1));
    EXPECT_TRUE(Silent(Run({"/RESTORE", archive, temp / "dst"}), 1));
    EXPECT_TRUE(FolderNames(temp / "private").empty());
    EXPECT_EQ(ReadFile(temp / "dst/A.RZT"), "old");
    const Names entries = LogEntries(logPath);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_TRUE(
        entries[0].starts_with(Logged("RestoreArchive", "70 - Permission denied: " + temp / "shared/restore-here")));
    EXPECT_TRUE(entries[2].starts_with(Logged("RestoreArchive", "70 - Permission denied: " + temp / "dst/A.RZN")));
}

} // namespace
} // namespace ze6::test
