#include "platform/RealComponents.h"
#include "support/RaisedNumber.h"
#include "support/TempFolder.h"
#include "support/WithoutFileAccessOverride.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace ze6 {
namespace {

using test::TempFolder;

std::vector<std::int32_t> Numbers(ApplicationInfo& info)
{
    std::vector<std::int32_t> numbers;
    for (const auto& companion : info.NumberedCompanions())
        numbers.push_back(companion.Number);
    return numbers;
}

std::int32_t OpenFails(const std::string& path)
{
    return test::RaisedNumber([&] { MakeDataFileInfo()->Open(path); }, "ApplicationInfo");
}

TEST(DataFileInfo, FindsNumberedCompanionsInAnyCaseInAscendingOrder)
{
    TempFolder temp;
    const std::string generation6 = temp.Write("Plant1.RZT6");
    for (const char* name :
         {"Plant1.KTM6.V3", "PLANT1.ktm6.v1", "plant1.KTM6.V10", "Plant1.KTM6.V01", "Plant1.KTM6.V+2", "Plant1.KTM6.V",
          "Plant1.KTM6.V2x", "Plant1.KTM6.V99999999999", "Plant1.V4", "Other.KTM6.V5", ".Plant1.KTM6.V6"})
        temp.Write(name);
    temp.MakeFolder("Plant1.KTM6.V7");
    auto info = MakeDataFileInfo();
    info->Open(generation6);
    info->LoadLists();
    EXPECT_EQ(Numbers(*info), (std::vector<std::int32_t>{1, 3, 10}));

    const std::string plain = temp.Write("Plant2.rzt");
    for (const char* name : {"Plant2.V2", "plant2.v7", "Plant2.KTM6.V1", "PLANT2.V0"})
        temp.Write(name);
    info->Open(plain);
    info->LoadLists();
    EXPECT_EQ(Numbers(*info), (std::vector<std::int32_t>{0, 2, 7}));
}

TEST(DataFileInfo, OpenFindsThePathAsOnDiskAndRaisesForMissingFoldersAndUnreadableFiles)
{
    TempFolder temp;
    const std::string file = temp.Write("Jobs/Plant1.RZT6");
    auto info = MakeDataFileInfo();
    info->Open(temp / "JOBS/plant1.rzt6");
    EXPECT_EQ(info->FullName(), file);
    EXPECT_EQ(info->Folder(), temp / "Jobs/");

    EXPECT_EQ(OpenFails(temp / "missing.rzt"), ErrorNumber::FileNotFound);
    EXPECT_EQ(OpenFails(temp.MakeFolder("folder.rzt")), ErrorNumber::PathFileAccessError);
    const std::string locked = temp.Write("locked.rzt");
    ASSERT_EQ(chmod(locked.c_str(), 0), 0);
    test::WithoutFileAccessOverride permissionsHold;
    if (!permissionsHold.Active())
        GTEST_SKIP() << "file permissions cannot be enforced here";
    EXPECT_EQ(OpenFails(locked), ErrorNumber::PermissionDenied);
}

TEST(DataFileInfo, SummaryRecognisesReadableDataFilesOnly)
{
    TempFolder temp;
    auto info = MakeDataFileInfo();
    // The description of a recognised file, "" for any other.
    const auto summary = [&](const std::string& path) {
        std::string description, recognition;
        std::int32_t number = 0;
        info->ReadFileSummary(path, description, number, recognition);
        return recognition.empty() ? "" : description;
    };
    const std::string generation6 = summary(temp.Write("Plant1.rzt6", std::string(1500, 'x')));
    EXPECT_TRUE(generation6.starts_with("Generation 6 data file, 1.5 kB, modified 20")) << generation6;
    const std::string plain = summary(temp.Write("Plant2.RZT", "x"));
    EXPECT_TRUE(plain.starts_with("Data file, ")) << plain;
    for (const std::string& other : {temp.Write("notes.txt"), temp.MakeFolder("folder.rzt"), temp / "missing.rzt"})
        EXPECT_EQ(summary(other), "") << other;
}

} // namespace
} // namespace ze6
