#include "engine/RestorePlan.h"
#include "support/RaisedNumber.h"
#include "support/TempFolder.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace ze6::modDAZadaro {
namespace {

namespace fs = std::filesystem;
using Kind = RestoreStep::Kind;

ArchiveEntry File(const std::string& name) { return {name}; }
ArchiveEntry Folder(const std::string& name) { return {name + "/", 0, 0, 0, true}; }

// Each entry goes to the first name of its kind in any letter case, else to
// a new one; of the files an earlier restore created, only a regular file
// no entry names goes, never what was put under its name since.
TEST(PlanRestore, EntriesFindTheirNameInAnyCaseAndOnlyCreatedRegularFilesGo)
{
    const test::TempFolder temp;
    const std::string to = temp.MakeFolder("dst");
    temp.Write("dst/a.rzt", "old");
    temp.MakeFolder("dst/Sub");
    temp.Write("dst/made.rzi");
    temp.Write("dst/kept.rzn"); // named by an entry below
    temp.MakeFolder("dst/now a folder.rzm");
    fs::create_symlink("made.rzi", to + "linked.rza");
    const std::vector<ArchiveEntry> entries = {File("A.RZT"), Folder("sub"), Folder("new"), File(kCreatedFilesEntry),
                                               File("B.rzd")};
    const std::vector<std::string> removals = {"MADE.RZI", "now a folder.rzm", "linked.rza", "gone.rzq"};
    EXPECT_EQ(PlanRestore({entries.begin(), entries.end()}, removals, to),
              (std::vector<RestoreStep>{{Kind::ReplaceFile, 0, to + "a.rzt"},
                                        {Kind::NewFolder, 2, to + "new"},
                                        {Kind::NewFile, 4, to + "B.rzd"},
                                        {Kind::RemoveFile, 0, to + "made.rzi"}}));
    // Named by an entry, a created file is the entry's to replace.
    EXPECT_EQ(PlanRestore({File("Kept.rzn")}, {"kept.rzn"}, to),
              (std::vector<RestoreStep>{{Kind::ReplaceFile, 0, to + "kept.rzn"}}));
}

// What an entry cannot replace stops the restore before anything changes.
TEST(PlanRestore, ANameTakenByWhatTheEntryCannotReplaceIsRefused)
{
    const test::TempFolder temp;
    const std::string to = temp.MakeFolder("dst");
    temp.MakeFolder("dst/folder.rzt");
    temp.Write("dst/file");
    fs::create_symlink("/nonexistent", to + "dangling.rzd");
    for (const ArchiveEntry& entry : {File("FOLDER.RZT"), Folder("File"), File("dangling.RZD")})
        EXPECT_EQ(test::RaisedNumber([&] { PlanRestore({entry}, {}, to); }), ErrorNumber::PathFileAccessError)
            << entry.name;
}

} // namespace
} // namespace ze6::modDAZadaro
