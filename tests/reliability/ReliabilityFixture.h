#pragma once

#include "support/ProgramRun.h"

#include <gtest/gtest.h>

namespace ze6::test {

const std::string kArchiveFailure = "ERROR: modDAZadaro, ArchiveApplication, Runtime error occured: ";

// `Listed` is what a target folder holds as its disk sees it.
class ReliabilityFixture : public ProgramFixture {
protected:
    virtual Names Listed(const std::string& folder) const { return FolderNames(folder); }

    // Three of four data files do not fit into what is left of `target`
    // (`stored` as its disk has it): each is reported as "Disk full", none
    // leaves a file behind or prunes its series, and the fourth is archived.
    void ExpectFullTargetLosesNothing(const std::string& target, const std::string& stored, std::size_t roomLeft,
                                      const ChildSetup& setup = {})
    {
        for (const char* name : {"A", "B", "C"})
            temp.Write(std::string("data/") + name + ".RZT", RandomBytes(3 * roomLeft / 2, name[0]));
        temp.Write("data/small.RZT", "fits");
        const Names old = {"A_2020-01-01-00-00-00.RZZ", "A_2020-01-02-00-00-00.RZZ"};
        for (const auto& name : old)
            temp.Write(stored.substr(temp.Path().size()) + name, name);

        const Result result = program.Run({temp / "data/*.RZT", target, "KEEPLAST:1"}, setup);
        EXPECT_TRUE(Silent(result, 1));
        const Names logged = LogEntries(logPath);
        ASSERT_EQ(logged.size(), 3u) << ReadFile(logPath);
        for (const auto& entry : logged)
            EXPECT_TRUE(entry.starts_with(kArchiveFailure + "61 - Disk full")) << entry;
        const Names names = Listed(stored);
        ASSERT_EQ(names.size(), 3u) << testing::PrintToString(names);
        EXPECT_EQ(Names(names.begin(), names.begin() + 2), old);
        EXPECT_TRUE(names[2].starts_with("small_")) << names[2];
        for (const auto& name : old)
            EXPECT_EQ(ReadFile(stored + name), name);
    }
};

} // namespace ze6::test
