#include "engine/DefaultFolders.h"
#include "engine/PathOperations.h"
#include "platform/RuntimeError.h"
#include "support/ScriptedPrompt.h"
#include "support/TempFolder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ze6::modDAZadaro {
namespace {

TEST(GetFileExtension, ScansBackToTheFirstDotBeforeAnyStopper)
{
    const std::pair<std::string, std::string> cases[] = {
        {"/jobs/daily.rzb", ".rzb"},
        {"/jobs/daily.rzb\"", ".rzb"},
        {"\"/my jobs/daily.RZB\"", ".RZB"},
        {"/jobs.old/daily", ""},
        {"\"/d/\" \"/t/\" KEEPLAST:5", ""},
        {"name.", ""},
        {"name.\"", "."},
        {"archive.tar.gz", ".gz"},
        {".hidden", ".hidden"},
        {"noextension", ""},
        {"", ""},
        {"\"/d/\" \"/Backup.RZB\"", ".RZB"},
        {"a.b:c", ""},
    };
    for (const auto& [path, expected] : cases)
        EXPECT_EQ(GetFileExtension(path), expected) << path;
}

TEST(GetFolderPart, UpToTheLastSeparator)
{
    EXPECT_EQ(GetFolderPart("/data/*.RZT"), "/data/");
    EXPECT_EQ(GetFolderPart("/data/sub/"), "/data/sub/");
    EXPECT_EQ(GetFolderPart("/ABC.RZT"), "/");
    EXPECT_EQ(GetFolderPart("ABC.RZT"), "");
    EXPECT_EQ(GetFolderPart(""), "");
}

TEST(TextHelpers, TrimUpperAndSeparator)
{
    EXPECT_EQ(TrimBlanks("  a b  "), "a b");
    EXPECT_EQ(TrimBlanks("\t a \t"), "\t a \t");
    EXPECT_EQ(TrimBlanks("    "), "");
    EXPECT_EQ(UpperCase("/help"), "/HELP");
    EXPECT_EQ(UpperCase("grüße.rzb"), "GRÜSSE.RZB");
    EXPECT_EQ(UpperCase(std::string("a\xff" "b")), "A\xff" "B");  // not UTF-8: ASCII letters only
    EXPECT_EQ(WithTrailingSeparator(""), "/");
    EXPECT_EQ(WithTrailingSeparator("/t"), "/t/");
    EXPECT_EQ(WithTrailingSeparator("/t/"), "/t/");
}

TEST(FileExists, TrueForFilesAndFoldersInAnyCase)
{
    test::TempFolder temp;
    const std::string file = temp.Write("Data/Plant.RZT");
    EXPECT_TRUE(FileExists(file));
    EXPECT_TRUE(FileExists(temp / "data/plant.rzt"));
    EXPECT_TRUE(FileExists(temp / "Data"));
    EXPECT_TRUE(FileExists(temp / "Data/"));
    EXPECT_FALSE(FileExists(temp / "Data/Other.RZT"));
    EXPECT_FALSE(FileExists(""));
}

TEST(CreateFolderPath, CreatesEveryMissingLevel)
{
    test::TempFolder temp;
    EXPECT_TRUE(CreateFolderPath(temp / "A/B/C/"));
    EXPECT_TRUE(std::filesystem::is_directory(temp / "A/B/C"));

    // Existing path: nothing to do; another letter case follows the folder on disk.
    EXPECT_TRUE(CreateFolderPath(temp / "A/B/C/"));
    EXPECT_TRUE(CreateFolderPath(temp / "a/b/D/"));
    EXPECT_TRUE(std::filesystem::is_directory(temp / "A/B/D"));
    EXPECT_FALSE(std::filesystem::exists(temp / "a"));

    // Without a final separator the last component is created too, and the loop ends.
    EXPECT_TRUE(CreateFolderPath(temp / "E/F"));
    EXPECT_TRUE(std::filesystem::is_directory(temp / "E/F"));
    EXPECT_TRUE(CreateFolderPath(temp / "G//H/"));
    EXPECT_TRUE(std::filesystem::is_directory(temp / "G/H"));
    EXPECT_TRUE(CreateFolderPath("/"));
}

TEST(CreateFolderPath, RelativePathsStartAtTheCurrentFolder)
{
    test::TempFolder temp;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(temp.Path());
    const bool created = CreateFolderPath("rel/one/");
    const bool plain = CreateFolderPath("two");
    std::filesystem::current_path(previous);
    EXPECT_TRUE(created);
    EXPECT_TRUE(plain);
    EXPECT_TRUE(std::filesystem::is_directory(temp / "rel/one"));
    EXPECT_TRUE(std::filesystem::is_directory(temp / "two"));
}

TEST(CreateFolderPath, FailsAtTheFirstLevelThatCannotBeMade)
{
    test::TempFolder temp;
    temp.Write("file");
    EXPECT_FALSE(CreateFolderPath(temp / "file/sub/"));

    // Levels made before the failure stay; nothing below it is tried.
    const std::string tooLong(300, 'n');
    EXPECT_FALSE(CreateFolderPath(temp / ("P/Q/" + tooLong + "/R/")));
    EXPECT_TRUE(std::filesystem::is_directory(temp / "P/Q"));

    temp.MakeFolder("locked");
    ::chmod((temp / "locked").c_str(), 0500);
    if (::geteuid() != 0) {
        EXPECT_FALSE(CreateFolderPath(temp / "locked/deeper/more/"));
    }
    ::chmod((temp / "locked").c_str(), 0700);

    EXPECT_FALSE(MakeFolder(temp / "missing/parent/"));
    EXPECT_TRUE(MakeFolder(temp / "locked"));  // already there
}

class ComponentsWithBrowser final : public test::TestComponents {
public:
    std::string chosen;
    bool fail = false;

    std::unique_ptr<FolderBrowser> CreateFolderBrowser() override
    {
        if (fail)
            Raise(ErrorNumber::PathFileAccessError, "FolderBrowser");
        struct Browser final : FolderBrowser {
            std::string result;
            std::string Browse(WindowHandle, const std::string&) override { return result; }
        };
        auto browser = std::make_unique<Browser>();
        browser->result = chosen;
        return browser;
    }

    std::unique_ptr<ProductSettings> CreateProductSettings() override
    {
        if (fail)
            Raise(ErrorNumber::PathFileAccessError, "ProductSettings");
        struct Settings final : ProductSettings {
            std::string key;
            void SetProductKey(const std::string& productKey) override { key = productKey; }
            void Load() override {}
            std::string ConfigFolder() const override { return "config of " + key; }
            std::string DataFolder() const override { return "data of " + key; }
        };
        return std::make_unique<Settings>();
    }
};

TEST(BrowseFolder, ExactlyOneTrailingSeparatorOrEmpty)
{
    ComponentsWithBrowser components;
    components.chosen = "/srv/backup";
    EXPECT_EQ(BrowseFolder(nullptr, "Select a Target Folder"), "/srv/backup/");
    components.chosen = "/";
    EXPECT_EQ(BrowseFolder(nullptr, "Select a Target Folder"), "/");
    components.chosen = "";
    EXPECT_EQ(BrowseFolder(nullptr, "Select a Target Folder"), "");
    components.fail = true;
    EXPECT_EQ(BrowseFolder(nullptr, "Select a Target Folder"), "");
}

TEST(DefaultFolders, ReadFromTheProductSettingsOrEmpty)
{
    ComponentsWithBrowser components;
    EXPECT_EQ(GetDefaultConfigFolder(), "config of RZ6");
    EXPECT_EQ(GetDefaultSourceFolder(), "data of RZ6");
    components.fail = true;
    EXPECT_EQ(GetDefaultConfigFolder(), "");
    EXPECT_EQ(GetDefaultSourceFolder(), "");
}

TEST(ChangeFileExtension, ReplacesOrRemovesTheLastExtension)
{
    EXPECT_EQ(ChangeFileExtension("/d/ABC.RZT6", ".rzd6"), "/d/ABC.rzd6");
    EXPECT_EQ(ChangeFileExtension("ABC.RZT6", ""), "ABC");
    EXPECT_EQ(ChangeFileExtension("/d.x/ABC", ".rzd"), "/d.x/ABC.rzd");
}

}  // namespace
}  // namespace ze6::modDAZadaro
