#include "platform/ArchiveReadBack.h"
#include "platform/HiddenTemporaryFile.h"
#include "platform/RealComponents.h"
#include "platform/RuntimeError.h"
#include "support/TempFolder.h"
#include "support/WithoutFileAccessOverride.h"
#include "support/ZipReader.h"

#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ze6 {
namespace {

using test::Exists;
using test::ReadFile;
using test::TempFolder;

std::vector<std::string> FolderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    while (const dirent* entry = dir != nullptr ? readdir(dir) : nullptr) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    if (dir != nullptr)
        closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

bool UnzipTestPasses(const std::string& archive)
{
    const std::string command = "/usr/bin/unzip -tqq '" + archive + "' >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

void WriteArchive(const std::string& archive, const std::vector<std::string>& files)
{
    auto writer = MakeZipArchiveWriter();
    writer->SetArchiveName(archive);
    for (const auto& file : files)
        writer->AddFile(file, 0, 0, "");
    writer->Finish();
}

// Clears a testing hook even when the test fails half-way.
struct Undo {
    std::function<void()> undo;
    ~Undo() { undo(); }
};

std::int32_t FinishFails(const std::string& archive, const std::vector<std::string>& files)
{
    try {
        WriteArchive(archive, files);
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.Source(), "ArchiveWriter");
        return error.Number();
    }
    ADD_FAILURE() << "Finish did not fail";
    return 0;
}

TEST(ZipArchiveWriter, StoresEveryFileInOrderAndKeepsFilesOfTheSameName)
{
    TempFolder temp;
    const std::string big(300000, 'x');
    const std::vector<std::string> files = {
        temp.Write("one/Plant.RZT", "data file"), temp.Write("one/Plant.rzd", big), temp.Write("two/PLANT.RZD", "b"),
        temp.Write("three/plant.rzd", ""),        temp.MakeFolder("one/Plant.rzx"),
    };
    const std::string target = temp.MakeFolder("backup");
    const std::string archive = target + "Plant_2026-12-05-18-21-43.RZZ";
    WriteArchive(archive, files);

    const auto entries = test::ReadZip(archive);
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries[0].name, "Plant.RZT");
    EXPECT_EQ(entries[0].content, "data file");
    EXPECT_EQ(entries[1].name, "Plant.rzd");
    EXPECT_EQ(entries[1].content, big);
    EXPECT_EQ(entries[2].name, "PLANT (2).RZD");
    EXPECT_EQ(entries[2].content, "b");
    EXPECT_EQ(entries[3].name, "plant (3).rzd");
    EXPECT_EQ(entries[3].content, "");
    EXPECT_EQ(entries[4].name, "Plant.rzx/");
    EXPECT_TRUE(UnzipTestPasses(archive));
    // Compressed, and nothing left beside the archive.
    EXPECT_LT(ReadFile(archive).size(), 10000u);
    EXPECT_EQ(FolderEntries(target), std::vector<std::string>{"Plant_2026-12-05-18-21-43.RZZ"});

    const mode_t mask = umask(0);
    umask(mask);
    struct stat status {};
    ASSERT_EQ(stat(archive.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0666 & ~mask);
}

TEST(ZipArchiveWriter, TakesFilesAndTheTargetFolderInAnyLetterCase)
{
    TempFolder temp;
    temp.Write("Data/Plant.rzd", "companion");
    temp.MakeFolder("Backup");
    WriteArchive(temp / "BACKUP/a.RZZ", {temp / "data/PLANT.RZD"});
    EXPECT_EQ(test::ZipEntryNames(temp / "Backup/a.RZZ"), std::vector<std::string>{"Plant.rzd"});
}

TEST(ZipArchiveWriter, NamesBeyondAsciiAreStoredAsUtf8)
{
    TempFolder temp;
    const std::string name = "Gr\xC3\xBC\xC3\x9F"
                             "e \xE6\x97\xA5\xE6\x9C\xAC.rzt";
    const std::string archive = temp / "out.RZZ";
    WriteArchive(archive, {temp.Write(name, "x")});
    EXPECT_EQ(test::ZipEntryNames(archive), std::vector<std::string>{name});
    const std::string bytes = ReadFile(archive);
    ASSERT_GT(bytes.size(), 8u);
    EXPECT_EQ(static_cast<unsigned char>(bytes[7]) & 0x08, 0x08) << "language encoding flag (bit 11) not set";
    EXPECT_TRUE(UnzipTestPasses(archive));
}

TEST(ZipArchiveWriter, NeverReplacesAnExistingFile)
{
    TempFolder temp;
    const std::string source = temp.Write("a.rzt", "new");
    const std::string existing = temp.Write("out/a_1.RZZ", "precious old archive");
    EXPECT_EQ(FinishFails(existing, {source}), ErrorNumber::FileAlreadyExists);
    EXPECT_EQ(ReadFile(existing), "precious old archive");
    EXPECT_EQ(FolderEntries(temp / "out"), std::vector<std::string>{"a_1.RZZ"});
    // A link at the name, even one that leads nowhere, is not replaced either.
    ASSERT_EQ(symlink((temp / "nowhere").c_str(), (temp / "out/b_1.RZZ").c_str()), 0);
    EXPECT_EQ(FinishFails(temp / "out/b_1.RZZ", {source}), ErrorNumber::FileAlreadyExists);
    EXPECT_FALSE(Exists(temp / "nowhere"));
}

TEST(ZipArchiveWriter, AFailureLeavesNoArchiveAndNoTemporaryFile)
{
    TempFolder temp;
    const std::string good = temp.Write("a.rzt", "x");
    const std::string target = temp.MakeFolder("out");

    EXPECT_EQ(FinishFails(target + "a.RZZ", {good, temp / "missing.rzd"}), ErrorNumber::FileNotFound);
    EXPECT_EQ(FinishFails(temp / "nowhere/a.RZZ", {good}), ErrorNumber::PathNotFound);
    EXPECT_EQ(FinishFails(target + "a.RZZ", {}), ErrorNumber::PathFileAccessError);
    EXPECT_EQ(FinishFails(target, {good}), ErrorNumber::BadFileName);
    // A file whose length differs from what it yields (as if written to while
    // being read) is refused rather than archived half-old, half-new.
    EXPECT_EQ(FinishFails(target + "a.RZZ", {good, "/proc/self/status"}), ErrorNumber::PathFileAccessError);
    const std::string fifo = temp / "pipe.rzd";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(FinishFails(target + "a.RZZ", {good, fifo}), ErrorNumber::PathFileAccessError);
    ASSERT_EQ(chmod(target.c_str(), 0555), 0);
    {
        test::WithoutFileAccessOverride permissionsHold;
        if (permissionsHold.Active()) {
            EXPECT_EQ(FinishFails(target + "a.RZZ", {good}), ErrorNumber::PermissionDenied);
        }
    }
    chmod(target.c_str(), 0755);
    EXPECT_TRUE(FolderEntries(target).empty());
}

TEST(ZipArchiveWriter, NeverWritesThroughALinkPlantedAtTheTemporaryName)
{
    TempFolder temp;
    const std::string source = temp.Write("a.rzt", "x");
    const std::string victim = temp.Write("victim.txt", "keep me");
    const std::string target = temp.MakeFolder("out");
    ASSERT_EQ(symlink(victim.c_str(), (target + ".a.RZZ.first.part").c_str()), 0);
    ASSERT_EQ(symlink((temp / "created-through-link").c_str(), (target + ".a.RZZ.second.part").c_str()), 0);
    std::vector<std::string> suffixes = {"first", "second", "third"};
    const Undo undo{[] { HiddenTemporaryFile::SetNameSuffixesForTesting({}); }};
    HiddenTemporaryFile::SetNameSuffixesForTesting([&] {
        std::string next = suffixes.front();
        suffixes.erase(suffixes.begin());
        return next;
    });
    WriteArchive(target + "a.RZZ", {source});

    EXPECT_EQ(ReadFile(victim), "keep me");
    EXPECT_FALSE(Exists(temp / "created-through-link"));
    EXPECT_EQ(test::ZipEntryNames(target + "a.RZZ"), std::vector<std::string>{"a.rzt"});
    EXPECT_EQ(FolderEntries(target), (std::vector<std::string>{".a.RZZ.first.part", ".a.RZZ.second.part", "a.RZZ"}));
}

// Sound in itself, so that only comparing it with what was read from the file
// can tell: the right name holding other data of the same length.
TEST(ZipArchiveWriter, AnArchiveHoldingOtherDataThanItsFileIsRefused)
{
    TempFolder temp;
    WriteArchive(temp / "stale.RZZ", {temp.Write("old/a.rzt", "old data")});
    const std::string stale = ReadFile(temp / "stale.RZZ");
    const std::string target = temp.MakeFolder("out");
    const Undo undo{[] { SetBeforeReadBackForTesting({}); }};
    SetBeforeReadBackForTesting([&](int descriptor) {
        ASSERT_EQ(ftruncate(descriptor, 0), 0);
        ASSERT_EQ(pwrite(descriptor, stale.data(), stale.size(), 0), static_cast<ssize_t>(stale.size()));
    });
    EXPECT_EQ(FinishFails(target + "a.RZZ", {temp.Write("a.rzt", "new data")}), ErrorNumber::DeviceIoError);
    EXPECT_TRUE(FolderEntries(target).empty());
}

TEST(HiddenTemporaryFile, RefusesToMoveOntoAFileThatAppearedMeanwhileAndCleansUp)
{
    TempFolder temp;
    const std::string final = temp / "a.RZZ";
    {
        HiddenTemporaryFile file(temp.Path(), "a.RZZ", "ArchiveWriter");
        EXPECT_EQ(file.Path().rfind(temp / ".a.RZZ.", 0), 0u);
        ASSERT_EQ(write(file.Descriptor(), "new", 3), 3);
        temp.Write("a.RZZ", "arrived first");
        try {
            file.MoveIntoPlace(final);
            ADD_FAILURE() << "moved onto an existing file";
        } catch (const RuntimeError& error) {
            EXPECT_EQ(error.Number(), ErrorNumber::FileAlreadyExists);
            EXPECT_EQ(error.Source(), "ArchiveWriter");
        }
    }
    EXPECT_EQ(ReadFile(final), "arrived first");
    EXPECT_EQ(FolderEntries(temp.Path()), std::vector<std::string>{"a.RZZ"});
}

// Needs about 4.3 GB of sparse disk and a minute; run with ZE6_LARGE_TESTS=1.
TEST(ZipArchiveWriter, FilesBeyondFourGibibytesUseZip64AndStreamFromDisk)
{
    if (std::getenv("ZE6_LARGE_TESTS") == nullptr)
        GTEST_SKIP() << "set ZE6_LARGE_TESTS=1 to run";
    TempFolder temp;
    const std::string large = temp / "large.rzd";
    const int descriptor = open(large.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(descriptor, 0);
    const off_t size = (off_t{1} << 32) + 12345;
    ASSERT_EQ(pwrite(descriptor, "end", 3, size - 3), 3);
    close(descriptor);
    const std::string archive = temp / "large.RZZ";
    WriteArchive(archive, {temp.Write("small.rzt", "x"), large});
    EXPECT_TRUE(UnzipTestPasses(archive));
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    EXPECT_LT(usage.ru_maxrss, 512L * 1024) << "kilobytes of memory at peak";
}

} // namespace
} // namespace ze6
