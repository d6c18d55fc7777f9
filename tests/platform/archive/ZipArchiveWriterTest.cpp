#include "platform/RealComponents.h"
#include "platform/archive/ArchiveReadBack.h"
#include "platform/archive/HiddenTemporaryFile.h"
#include "support/FullDisk.h"
#include "support/RaisedNumber.h"
#include "support/TempFolder.h"
#include "support/WithoutFileAccessOverride.h"
#include "support/ZipReader.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ze6::test {
namespace {

void WriteArchive(const std::string& archive, const Names& files, ArchiveWriterFaults faults = {})
{
    auto writer = MakeZipArchiveWriter(std::move(faults));
    writer->SetArchiveName(archive);
    for (const auto& file : files)
        writer->AddFile(file);
    writer->Finish();
}

std::int32_t FinishFails(const std::string& archive, const Names& files, const ArchiveWriterFaults& faults = {})
{
    return RaisedNumber([&] { WriteArchive(archive, files, faults); }, "ArchiveWriter");
}

TEST(ZipArchiveWriter, StoresEveryFileInOrderUnderItsNameOnDisk)
{
    TempFolder temp;
    const std::string big(300000, 'x');
    const std::string utf8 = "Gr\xC3\xBC\xC3\x9F"
                             "e \xE6\x97\xA5\xE6\x9C\xAC.rzt";
    temp.Write("one/Plant.RZT", "data file");
    const Names files = {
        temp.Write(utf8, "x"),
        temp / "ONE/plant.rzt", // found in any letter case
        temp.Write("one/Plant.rzd", big),
        temp.Write("two/PLANT.RZD", "b"),
        temp.Write("three/plant.rzd", ""),
        temp.MakeFolder("one/Plant.rzx"),
    };
    temp.MakeFolder("backup");
    const mode_t mask = umask(027);
    WriteArchive(temp / "BACKUP/Plant_2026-12-05-18-21-43.RZZ", files);
    umask(mask);

    const std::string archive = temp / "backup/Plant_2026-12-05-18-21-43.RZZ";
    const std::vector<ZipEntry> expected = {{utf8, "x"},           {"Plant.RZT", "data file"},
                                            {"Plant.rzd", big},    {"PLANT (2).RZD", "b"},
                                            {"plant (3).rzd", ""}, {"Plant.rzx/", ""}};
    EXPECT_EQ(ReadZip(archive), expected);
    EXPECT_EQ(std::system(("/usr/bin/unzip -tqq '" + archive + "' >/dev/null 2>&1").c_str()), 0);
    // Compressed, the UTF-8 name flagged as such (bit 11), nothing left beside it.
    const std::string bytes = ReadFile(archive);
    EXPECT_LT(bytes.size(), 10000u);
    EXPECT_EQ(bytes.at(7) & 0x08, 0x08);
    EXPECT_EQ(FolderNames(temp / "backup"), Names{"Plant_2026-12-05-18-21-43.RZZ"});
    struct stat status {};
    ASSERT_EQ(stat(archive.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u); // never more than the owner, whatever the umask allows
}

TEST(ZipArchiveWriter, AFailureLeavesNoArchiveAndNoTemporaryFile)
{
    TempFolder temp;
    const std::string good = temp.Write("a.rzt", "x");
    const std::string target = temp.MakeFolder("out");
    const std::string fifo = temp / "pipe.rzd";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::tuple<std::string, Names, std::int32_t> cases[] = {
        {target + "a.RZZ", {good, temp / "missing.rzd"}, ErrorNumber::FileNotFound},
        {temp / "nowhere/a.RZZ", {good}, ErrorNumber::PathNotFound},
        {target + "a.RZZ", {}, ErrorNumber::PathFileAccessError},
        {target, {good}, ErrorNumber::BadFileName},
        // A file whose length differs from what it yields (as if written to
        // while being read) is refused rather than archived half-old, half-new.
        {target + "a.RZZ", {good, "/proc/self/status"}, ErrorNumber::PathFileAccessError},
        {target + "a.RZZ", {good, fifo}, ErrorNumber::PathFileAccessError},
    };
    ArchiveWriterFaults noPauses;
    noPauses.retryWait = [](std::chrono::milliseconds) {};
    for (const auto& [archive, files, number] : cases)
        EXPECT_EQ(FinishFails(archive, files, noPauses), number) << archive << " " << files.back();
    const std::string big = temp.Write("big.rzt", RandomBytes(100000, 1));
    {
        const FileSizeLimit limit(10000); // a write beyond it fails as on a full disk
        EXPECT_EQ(FinishFails(target + "a.RZZ", {big}), ErrorNumber::DiskFull);
    }
    ASSERT_EQ(chmod(target.c_str(), 0555), 0);
    if (WithoutFileAccessOverride permissionsHold; permissionsHold.Active()) {
        try {
            WriteArchive(target + "a.RZZ", {good});
            ADD_FAILURE() << "written into a read-only folder";
        } catch (const RuntimeError& error) { // named by the folder: a temporary's random name tells nothing
            EXPECT_EQ(std::tuple(error.Number(), error.Description()),
                      std::tuple(ErrorNumber::PermissionDenied, "Permission denied: " + target));
        }
    }
    chmod(target.c_str(), 0755);
    EXPECT_TRUE(FolderNames(target).empty());
}

TEST(ZipArchiveWriter, NeverWritesThroughALinkPlantedAtTheTemporaryName)
{
    TempFolder temp;
    const std::string source = temp.Write("a.rzt", "x");
    const std::string victim = temp.Write("victim.txt", "keep me");
    const std::string target = temp.MakeFolder("out");
    ASSERT_EQ(symlink(victim.c_str(), (target + ".a.RZZ.first.part").c_str()), 0);
    ASSERT_EQ(symlink((temp / "created-through-link").c_str(), (target + ".a.RZZ.second.part").c_str()), 0);
    std::size_t next = 0;
    ArchiveWriterFaults chosenNames;
    chosenNames.nameSuffixes = [&] { return Names{"first", "second", "third"}.at(next++); };
    WriteArchive(target + "a.RZZ", {source}, chosenNames);

    EXPECT_EQ(ReadFile(victim), "keep me");
    EXPECT_FALSE(Exists(temp / "created-through-link"));
    EXPECT_EQ(ZipEntryNames(target + "a.RZZ"), Names{"a.rzt"});
    EXPECT_EQ(FolderNames(target), (Names{".a.RZZ.first.part", ".a.RZZ.second.part", "a.RZZ"}));
}

// The last damage leaves an archive sound in itself, so that only comparing
// it with what was read from the files can tell: the right names holding
// other data of the same length.
TEST(ArchiveReadBack, ADamagedArchiveIsAnErrorAndNeverGetsItsName)
{
    const TempFolder temp;
    const Names files = {temp.Write("data/A.RZT", RandomBytes(1 << 16, 5)), temp.Write("data/A.rzd", "c")};
    const std::string out = temp.MakeFolder("out");
    WriteArchive(temp / "stale.RZZ", {temp.Write("old/A.RZT", RandomBytes(1 << 16, 6)), temp.Write("old/A.rzd", "d")});
    const std::string stale = ReadFile(temp / "stale.RZZ");
    const std::function<void(int)> damages[] = {
        [](int descriptor) { // one bit of the first entry's data
            char byte = 0;
            ASSERT_EQ(::pread(descriptor, &byte, 1, 4000), 1);
            byte ^= 0x10;
            ASSERT_EQ(::pwrite(descriptor, &byte, 1, 4000), 1);
        },
        [](int descriptor) { ASSERT_EQ(::ftruncate(descriptor, 2000), 0); }, // the end cut off
        [&stale](int descriptor) {
            ASSERT_EQ(::ftruncate(descriptor, 0), 0);
            ASSERT_EQ(::pwrite(descriptor, stale.data(), stale.size(), 0), static_cast<ssize_t>(stale.size()));
        },
    };
    for (const auto& damage : damages) {
        ArchiveWriterFaults damaging;
        damaging.beforeReadBack = damage;
        EXPECT_EQ(FinishFails(out + "A.RZZ", files, damaging), ErrorNumber::DeviceIoError);
        EXPECT_TRUE(FolderNames(out).empty()); // neither the archive nor its temporary
    }
    WriteArchive(out + "A.RZZ", files); // undamaged, the same archive is written
    EXPECT_TRUE(Exists(out + "A.RZZ"));
}

TEST(HiddenTemporaryFile, RefusesToMoveOntoAFileThatAppearedMeanwhileAndCleansUp)
{
    TempFolder temp;
    {
        HiddenTemporaryFile file(temp.Path(), "a.RZZ", "ArchiveWriter");
        EXPECT_EQ(file.Path().rfind(temp / ".a.RZZ.", 0), 0u);
        ASSERT_EQ(write(file.Descriptor(), "new", 3), 3);
        temp.Write("a.RZZ", "arrived first");
        EXPECT_EQ(RaisedNumber([&] { file.MoveIntoPlace(temp / "a.RZZ"); }, "ArchiveWriter"),
                  ErrorNumber::FileAlreadyExists);
    }
    EXPECT_EQ(ReadFile(temp / "a.RZZ"), "arrived first");
    EXPECT_EQ(FolderNames(temp.Path()), Names{"a.RZZ"});
}

} // namespace
} // namespace ze6::test
