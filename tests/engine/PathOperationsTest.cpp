#include "engine/PathOperations.h"
#include "engine/DefaultFolders.h"
#include "support/FakeShell.h"
#include "support/TempFolder.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace ze6::modDAZadaro {
namespace {

namespace fs = std::filesystem;

TEST(PathOperations, ExtensionAndTextHelpers)
{
    const std::pair<std::string, std::string> extensions[] = {{"/jobs/daily.rzb", ".rzb"},
                                                              {"/jobs/daily.rzb\"", ".rzb"},
                                                              {"\"/d/\" \"/t/\" KEEPLAST:5", ""},
                                                              {"name.", ""},
                                                              {"name.\"", "."},
                                                              {"a.b:c", ""},
                                                              {"\"/d/\" \"/Backup.RZB\"", ".RZB"}};
    for (const auto& [path, expected] : extensions)
        EXPECT_EQ(GetFileExtension(path), expected) << path;
    EXPECT_EQ(TrimBlanks(" \t a  "), "\t a");
    EXPECT_EQ(UpperCase("grüße.rzb"), "GRÜSSE.RZB");
    EXPECT_EQ(UpperCase("a\xff"), "A\xff");
    EXPECT_EQ(ChangeFileExtension("/d.x/ABC.RZT6", ""), "/d.x/ABC");
}

TEST(CreateFolderPath, CreatesMissingLevelsAndStopsAtTheFirstFailure)
{
    test::TempFolder temp;
    EXPECT_TRUE(CreateFolderPath(temp / "A/B/C/"));
    EXPECT_TRUE(FileExists(temp / "a/b/c"));
    EXPECT_TRUE(FileExists(temp.Write("plain.txt") + "/"));
    // A level present in another letter case is followed, not made again.
    EXPECT_TRUE(CreateFolderPath(temp / "a/b/D"));
    EXPECT_TRUE(fs::is_directory(temp / "A/B/D"));
    EXPECT_FALSE(fs::exists(temp / "a"));
    EXPECT_TRUE(CreateFolderPath(temp / "G//H/"));
    EXPECT_TRUE(fs::is_directory(temp / "G/H"));

    const auto previous = fs::current_path();
    fs::current_path(temp.Path());
    EXPECT_TRUE(CreateFolderPath("rel/one/"));
    fs::current_path(previous);
    EXPECT_TRUE(fs::is_directory(temp / "rel/one"));

    temp.Write("file");
    EXPECT_FALSE(CreateFolderPath(temp / "file/sub/"));
    EXPECT_FALSE(CreateFolderPath(temp / ("P/Q/" + std::string(300, 'n') + "/R/")));
    std::string deep;
    for (int i = 0; i < 20; ++i)
        deep += std::string(250, 'd') + "/";
    EXPECT_FALSE(CreateFolderPath(temp / deep)); // longer than a path may be
    EXPECT_TRUE(fs::is_directory(temp / "P/Q")); // levels made before the failure stay
    EXPECT_FALSE(MakeFolder(temp / "missing/parent/"));
}

TEST(ShellFolders, BrowseAndDefaultFoldersTurnFailuresIntoEmpty)
{
    test::FakeShell shell;
    shell.chosenFolder = "/";
    EXPECT_EQ(BrowseFolder(nullptr, "Select a Target Folder"), "/");
    shell.chosenFolder = "";
    EXPECT_EQ(BrowseFolder(nullptr, "Select a Target Folder"), "");
    shell.configFolder = "/config/";
    shell.dataFolder = "/data/";
    EXPECT_EQ(GetDefaultConfigFolder(), "/config/");
    EXPECT_EQ(GetDefaultSourceFolder(), "/data/");
    EXPECT_EQ(shell.productKey, "RZ6");
    shell.fail = true;
    EXPECT_EQ(BrowseFolder(nullptr, "Select a Target Folder"), "");
    EXPECT_EQ(GetDefaultConfigFolder(), "");
    EXPECT_EQ(GetDefaultSourceFolder(), "");
}

} // namespace
} // namespace ze6::modDAZadaro
