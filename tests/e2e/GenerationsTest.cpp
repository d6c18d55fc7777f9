#include "support/ProgramRun.h"

#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <sys/stat.h>
#include <utime.h>

namespace ze6::test {
namespace {

namespace fs = std::filesystem;

class GenerationsTest : public ProgramFixture {
protected:
    Result Run(const Names& arguments) const { return program.Run(arguments); }

    // A real archive of data/A.RZT, copied into `folder` under each past name.
    void Plant(const std::string& folder, const std::map<std::string, std::string>& names) const
    {
        const std::string real = Archives("seed").at(0);
        for (const auto& [label, stamp] : names)
            fs::copy_file(real, temp / (folder + "/A_" + stamp + ".RZZ"));
    }

    // The archives of a folder as full paths, sorted.
    Names Archives(const std::string& folder) const
    {
        Names paths;
        for (const auto& name : FolderNames(temp / folder))
            paths.push_back(temp / (folder + "/" + name));
        return paths;
    }

    // What is left in `folder`, as the labels of the planted names, "new" for any other.
    std::string Left(const std::string& folder, const std::map<std::string, std::string>& planted) const
    {
        std::string text;
        for (const auto& name : FolderNames(temp / folder)) {
            std::string label = "new";
            for (const auto& [key, stamp] : planted) {
                if (name == "A_" + stamp + ".RZZ")
                    label = key;
            }
            text += (text.empty() ? "" : " ") + label;
        }
        return text;
    }

    // Every name in a folder with its bytes and modification time.
    std::string Snapshot(const std::string& folder) const
    {
        std::string text;
        for (const auto& path : Archives(folder)) {
            struct stat status {};
            ::stat(path.c_str(), &status);
            text += path + " " + std::to_string(status.st_mtim.tv_sec) + "." + std::to_string(status.st_mtim.tv_nsec) +
                    " " + ReadFile(path) + "\n";
        }
        return text;
    }
};

// Sunday 2019-12-29 ends ISO week 52 of 2019; Monday 2019-12-30 begins week 1
// of 2020, whose Sunday is 2020-01-05; Monday 2020-01-06 begins week 2.
const std::map<std::string, std::string> kPlanted = {
    {"A", "2019-12-29-10-00-00"}, {"B", "2019-12-30-09-00-00"}, {"C", "2019-12-31-23-00-00"},
    {"D", "2020-01-01-08-00-00"}, {"E", "2020-01-05-08-00-00"}, {"F", "2020-01-05-20-00-00"},
    {"G", "2020-01-06-07-00-00"}, {"H", "2020-02-01-00-00-00"}, {"Z", "2099-01-01-00-00-00"}};

// Each rule alone and with KEEPLAST:, the archive just written counted; a
// name dated after the run is neither counted nor deleted. The dry run
// before each leaves the target as it was and lists what the run then does.
TEST_F(GenerationsTest, CalendarRulesKeepTheNewestOfTheirPeriodsAndTheDryRunForetellsIt)
{
    temp.Write("data/A.RZT", "ledger");
    temp.Write("data/A.rzd", "index");
    ASSERT_TRUE(Silent(Run({temp / "data/A.RZT", temp / "seed"})));
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"KEEPDAILY:2", "H new Z", "daily"},
        {"KEEPWEEKLY:4", "F G H new Z", "weekly"},
        {"KEEPMONTHLY:3 KEEPLAST:2", "G H new Z", "monthly"},
        {"KEEPYEARLY:3", "C H new Z", "yearly"},
        {"keepweekly:2 KEEPDAILY:1 KEEPLAST:1", "H new Z", "last"},
    };
    for (const auto& [options, expected, folder] : cases) {
        fs::create_directories(temp / folder);
        Plant(folder, kPlanted);
        const std::string before = Snapshot(folder);
        const Result dry = Run({"/DRYRUN", temp / "data/A.RZT", temp / folder, options});
        EXPECT_TRUE(Silent(Result{dry.status, "", dry.err})) << options;
        EXPECT_EQ(Snapshot(folder), before) << options;

        ASSERT_TRUE(Silent(Run({temp / "data/A.RZT", temp / folder, options}))) << options;
        EXPECT_EQ(Left(folder, kPlanted), expected) << options;
        // The listing: the data file, then every counted archive, oldest first.
        std::istringstream lines(dry.out);
        std::string line;
        std::getline(lines, line);
        EXPECT_EQ(line, "archive\t" + temp / "data/A.RZT");
        std::string kept;
        for (const auto& [label, stamp] : kPlanted) {
            if (label == "Z")
                continue;
            ASSERT_TRUE(std::getline(lines, line)) << options;
            const std::string path = temp / (folder + "/A_" + stamp + ".RZZ");
            if (line.starts_with("keep\t" + path + "\t"))
                kept += label + " ";
            else
                EXPECT_EQ(line, "delete\t" + path) << options;
        }
        EXPECT_FALSE(std::getline(lines, line)) << line;
        EXPECT_EQ(kept + "new Z", expected) << options;
    }
    EXPECT_FALSE(Exists(logPath));
    // The archive the run would write is today's newest: it takes the place of the one written before.
    const Result dry = Run({"/dryrun", temp / "data/A.RZT", temp / "daily", "KEEPDAILY:2 KEEPLAST:1"});
    EXPECT_EQ(dry.out.substr(dry.out.find('\n')),
              "\nkeep\t" + Archives("daily").at(0) + "\tdaily\ndelete\t" + Archives("daily").at(1) + "\n");
}

// IFCHANGED decides by content: a touch is no change, a same-size change
// with its old time restored is, and so is a companion added or gone.
TEST_F(GenerationsTest, IfChangedWritesOnlyWhenTheDataFileOrACompanionDiffers)
{
    const std::string data = temp.Write("data/A.RZT", "ledger 1");
    const Names job = {data, temp / "out", "IFCHANGED", "KEEPLAST:9"};
    int past = 0;
    // Runs the job, then moves a new archive to a past name, so that the
    // next run's archive never takes the same second's name.
    const auto written = [&] {
        const Result result = Run(job);
        EXPECT_TRUE(Silent(result));
        int count = 0;
        for (const auto& path : Archives("out")) {
            if (path.find("_2020-") == std::string::npos) {
                fs::rename(path, temp / ("out/A_2020-01-0" + std::to_string(++past) + "-00-00-00.RZZ"));
                ++count;
            }
        }
        return count;
    };
    EXPECT_EQ(written(), 1);
    EXPECT_EQ(written(), 0);
    const Result dry = Run({"/DRYRUN", data, temp / "out", "IFCHANGED"});
    EXPECT_EQ(dry.out, "unchanged\t" + data + "\nkeep\t" + Archives("out").at(0) + "\t\n");

    ::utime(data.c_str(), nullptr);
    EXPECT_EQ(written(), 0);

    struct stat before {};
    ::stat(data.c_str(), &before);
    temp.Write("data/A.RZT", "ledger 2");
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ::utimensat(AT_FDCWD, data.c_str(), times, 0);
    EXPECT_EQ(written(), 1);

    const std::string companion = temp.Write("data/A.rzd", "index");
    EXPECT_EQ(written(), 1);
    EXPECT_EQ(written(), 0);
    fs::remove(companion);
    EXPECT_EQ(written(), 1);
    EXPECT_EQ(Archives("out").size(), 4u);
    EXPECT_FALSE(Exists(logPath));
}

TEST_F(GenerationsTest, MalformedOptionsAndDryRunProblems)
{
    const Result bad = Run({temp / "data", temp / "out", "KEEPMONTHLY:7x"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("\nERROR - KEEPMONTHLY: needs a whole number from 1 to 1000000!\n"), std::string::npos);
    const Result missing = Run({"/DRYRUN", temp / "jobs.rzb"});
    EXPECT_EQ(std::make_tuple(missing.status, missing.out, missing.err),
              std::make_tuple(1, std::string(), temp / "jobs.rzb: does not exist or is inaccessible\n"));
    EXPECT_FALSE(Exists(logPath));
    EXPECT_FALSE(Exists(temp / "out"));
}

} // namespace
} // namespace ze6::test
