#include "EngineTestComponents.h"
#include "engine/JobLine.h"
#include "support/FixedClock.h"
#include "support/TempFolder.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <utime.h>

namespace ze6::modDAZadaro {
namespace {

// A job lists its target folder once and then keeps that listing itself: two
// data files of one series (ABC.RZT and abc.RZT6), a series that only shares
// a prefix, and old archives and an abandoned temporary already there.
TEST(TargetFolderListings, OneJobPrunesEverySeriesFromItsOwnListing)
{
    test::EngineTestComponents components;
    const test::TempFolder temp;
    test::FixedClock clock{QDateTime(QDate(2024, 3, 7), QTime(14, 5, 9))};
    for (const char* name : {"ABC.RZT", "abc.RZT6", "ABC_DEF.RZT", "X.RZT"})
        temp.Write(std::string("data/") + name);
    for (const char* name : {"abc_2024-01-01-00-00-01.rzz", "ABC_2024-01-01-00-00-02.RZZ",
                             "ABC_DEF_2019-01-01-00-00-00.RZZ", "ABC_notes.RZZ", "X_2019-01-01-00-00-00.RZZ"})
        temp.Write(std::string("backup/") + name);
    const std::string abandoned = temp.Write("backup/.ABC_2023-01-01-00-00-00.RZZ.0123456789.part");
    const utimbuf longAgo{0, 0};
    ::utime(abandoned.c_str(), &longAgo);
    // Each archive gets its own second, as on a real night.
    components.onFinish = [&](const std::string& name) {
        temp.Write(name.substr(temp.Path().size()), "archive");
        clock.AdvanceSeconds(1);
    };

    ProcessCommandLine(test::Quoted(temp / "data/") + " " + test::Quoted(temp / "backup/") + " KEEPLAST:2");

    EXPECT_EQ(components.log, std::vector<std::string>{});
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(temp / "backup"))
        left.push_back(entry.path().filename().string().substr(0, 12));
    std::sort(left.begin(), left.end());
    // The first ABC archive of this job was counted by the second one's
    // pruning (so both older ones went), and nothing already deleted was
    // deleted twice.
    EXPECT_EQ(left, (std::vector<std::string>{"ABC_2024-03-", "ABC_DEF_2019", "ABC_DEF_2024", "ABC_notes.RZ",
                                              "X_2019-01-01", "X_2024-03-07", "abc_2024-03-"}));
}

} // namespace
} // namespace ze6::modDAZadaro
