#include "engine/JobLine.h"
#include "support/FixedClock.h"
#include "support/ScopedEnvironment.h"
#include "support/ZipReader.h"
#include "ui/main/MainWindowFixture.h"

#include <QApplication>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <filesystem>

namespace ze6::test {
namespace {

class ArchivesTest : public MainWindowTest {
protected:
    std::string data = folder.MakeFolder("data");
    std::string backup = folder / "backup/";
    FixedClock clock{components, QDateTime(QDate(2026, 12, 5), QTime(18, 0, 0))};

    // Two generations of PLANT1 and one of PLANT2, a minute apart.
    void BackUpTwice()
    {
        folder.Write("data/PLANT1.RZT", "first");
        folder.Write("data/PLANT2.RZT", "two");
        modDAZadaro::ProcessCommandLine("\"" + data + "\" \"" + backup + "\"");
        folder.Write("data/PLANT1.RZT", "second");
        clock.AdvanceSeconds(60);
        modDAZadaro::ProcessCommandLine("\"" + data + "PLANT1.RZT\" \"" + backup + "\"");
        clock.AdvanceSeconds(60);
    }

    void SelectRows(const std::vector<int>& rows) const
    {
        Grid()->clearSelection();
        for (const int row : rows)
            Grid()->selectionModel()->select(Grid()->model()->index(row, 0),
                                             QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    std::pair<bool, bool> RestoreAndVerifyEnabled() const
    {
        Q_EMIT Find<QMenu>("mnuEdit")->aboutToShow();
        return {Action("mnuRestore")->isEnabled(), Action("mnuVerify")->isEnabled()};
    }
};

TEST_F(ArchivesTest, RestoreListsTheRowsArchivesNewestFirstAndRestoresTheChosenOneOverTheLiveFile)
{
    BackUpTwice();
    folder.Write("data/PLANT1.RZT", "live");
    PutJobs({{data + "*.RZT?", backup, {0}}});
    SelectRows({0});
    ASSERT_TRUE(RestoreAndVerifyEnabled().first);

    QStringList listed;
    QString destination;
    QObject scope;
    WithNextModal(scope, [&](QWidget& dialog) {
        auto* grid = dialog.findChild<QTableWidget*>(QStringLiteral("grdArchives"));
        for (int row = 0; row < grid->rowCount(); ++row)
            listed << grid->item(row, 0)->text() + u' ' + grid->item(row, 1)->text() + u' ' +
                          grid->item(row, 2)->text();
        destination = dialog.findChild<QLineEdit*>(QStringLiteral("txtDestination"))->text();
        grid->selectRow(1);
        dialog.findChild<QPushButton*>(QStringLiteral("cmdRestore"))->click();
    });
    Action("mnuRestore")->trigger();

    EXPECT_EQ(listed,
              (QStringList{QStringLiteral("PLANT1 2026-12-05 18:01:00"), QStringLiteral("PLANT1 2026-12-05 18:00:00"),
                           QStringLiteral("PLANT2 2026-12-05 18:00:00")}));
    EXPECT_EQ(destination.toStdString(), data);
    EXPECT_EQ(ReadFile(data + "PLANT1.RZT"), "first");
    EXPECT_EQ(ReadZip(backup + "PLANT1_2026-12-05-18-02-00.RZZ").at(0).content, "live");
    EXPECT_EQ(Asked(),
              (std::vector<PromptRequest>{{"Restored 1 file from PLANT1_2026-12-05-18-00-00.RZZ into " + data +
                                               ":\r\nPLANT1.RZT\r\n\r\nThe files it replaced were saved first as "
                                               "PLANT1_2026-12-05-18-02-00.RZZ in " +
                                               backup + ". Restore that archive to undo this restore.",
                                           "ZE6 Vivevu", PromptButtons::Ok, PromptIcon::Information}}));
}

TEST_F(ArchivesTest, VerifyChecksEachSelectedTargetFolderOnceAndNamesTheDamagedArchives)
{
    BackUpTwice();
    const std::string damaged = folder.Write("backup/PLANT9_2020-01-01-00-00-00.RZZ", "not an archive");
    const std::string other = folder.MakeFolder("other");
    std::filesystem::copy_file(backup + "PLANT2_2026-12-05-18-00-00.RZZ", other + "PLANT2_2026-12-05-18-00-00.RZZ");
    PutJobs(
        {{data, backup, {0}}, {data + "PLANT1.RZT", backup, {3}}, {data, other, {0}}, {"/nowhere/", "/empty/", {0}}});

    // Restore acts on one row with archives, Verify on rows whose folders hold any.
    const std::vector<std::pair<std::vector<int>, std::pair<bool, bool>>> cases = {
        {{}, {false, false}}, {{3}, {false, false}}, {{2, 3}, {false, true}}, {{1}, {true, true}}};
    for (const auto& [rows, enabled] : cases) {
        SelectRows(rows);
        EXPECT_EQ(RestoreAndVerifyEnabled(), enabled) << testing::PrintToString(rows);
    }

    SelectRows({0, 1, 2, 3});
    bool waiting = false;
    components.prompt.onAsk = [&](const PromptRequest&) { waiting = QGuiApplication::overrideCursor() != nullptr; };
    Action("mnuVerify")->trigger();
    EXPECT_FALSE(waiting);
    EXPECT_EQ(Asked(),
              (std::vector<PromptRequest>{{"5 archives checked; 1 is damaged:\r\n" + damaged + ": Not a ZIP archive",
                                           "ZE6 Vivevu", PromptButtons::Ok, PromptIcon::Exclamation}}));
}

// A remote row is verified and restored through rclone (an alias remote over a local folder here).
TEST_F(ArchivesTest, VerifyAndRestoreWorkOnARemoteRowThroughRclone)
{
    if (QStandardPaths::findExecutable(QStringLiteral("rclone")).isEmpty())
        GTEST_SKIP() << "rclone is not installed";
    BackUpTwice();
    const std::string remote = folder.MakeFolder("remote/rz");
    std::filesystem::copy_file(backup + "PLANT2_2026-12-05-18-00-00.RZZ", remote + "PLANT2_2026-12-05-18-00-00.RZZ");
    folder.Write("remote/rz/PLANT9_2020-01-01-00-00-00.RZZ", "not an archive");
    const ScopedEnvironment environment{
        {"RCLONE_CONFIG", folder.Write("rclone.conf", "[box]\ntype = alias\nremote = " + (folder / "remote") + "\n")},
        {"XDG_CACHE_HOME", folder / "cache"}};
    PutJobs({{data, "rclone:box:rz/", {0}}});
    SelectRows({0});
    EXPECT_EQ(RestoreAndVerifyEnabled(), (std::pair{true, true}));
    Action("mnuVerify")->trigger();
    EXPECT_EQ(
        Asked(),
        (std::vector<PromptRequest>{
            {"2 archives checked; 1 is damaged:\r\nrclone:box:rz/PLANT9_2020-01-01-00-00-00.RZZ: Not a ZIP archive",
             "ZE6 Vivevu", PromptButtons::Ok, PromptIcon::Exclamation}}));
    EXPECT_TRUE(FolderNames(folder / "cache/ZE6Vivevu").empty()) << "staging is emptied";

    // PLANT2 comes back over its live file, which goes up beside it first.
    folder.Write("data/PLANT2.RZT", "live");
    QStringList listed;
    QObject scope;
    WithNextModal(scope, [&](QWidget& dialog) {
        auto* grid = dialog.findChild<QTableWidget*>(QStringLiteral("grdArchives"));
        for (int row = 0; row < grid->rowCount(); ++row)
            listed << grid->item(row, 0)->text();
        grid->selectRow(0);
        dialog.findChild<QPushButton*>(QStringLiteral("cmdRestore"))->click();
    });
    Action("mnuRestore")->trigger();
    EXPECT_EQ(listed, (QStringList{QStringLiteral("PLANT2"), QStringLiteral("PLANT9")}));
    EXPECT_EQ(ReadFile(data + "PLANT2.RZT"), "two");
    EXPECT_EQ(ReadZip(remote + "PLANT2_2026-12-05-18-02-00.RZZ").at(0).content, "live");
    EXPECT_EQ(Asked().size(), 2u);
    EXPECT_EQ(Asked().back().icon, PromptIcon::Information);
}

// The listing is the one /DRYRUN prints, deletions in bold, and nothing in
// the target folder or the log changes.
TEST_F(ArchivesTest, DryRunListsTheSelectedJobsPlanWithTheDeletionsMarkedAndChangesNothing)
{
    BackUpTwice();
    PutJobs({{data, "/elsewhere/", {0}}, {data + "PLANT1.RZT", backup, {2}}});
    const auto stamps = [this] {
        std::vector<std::pair<std::string, std::filesystem::file_time_type>> found;
        for (const auto& name : FolderNames(backup))
            found.emplace_back(name, std::filesystem::last_write_time(backup + name));
        return found;
    };
    const auto before = stamps();
    SelectRows({1});

    Names lines, bold;
    QObject scope;
    WithNextModal(scope, [&](QWidget& dialog) {
        const QTextDocument* listing = dialog.findChild<QTextEdit*>(QStringLiteral("txtListing"))->document();
        for (QTextBlock block = listing->begin(); block.isValid(); block = block.next()) {
            lines.push_back(block.text().toStdString());
            if (QTextCursor(block).charFormat().fontWeight() == QFont::Bold)
                bold.push_back(lines.back());
        }
        dialog.close();
    });
    Action("mnuDryRun")->trigger();

    const std::string deleted = "delete\t" + backup + "PLANT1_2026-12-05-18-00-00.RZZ";
    EXPECT_EQ(lines, (Names{"archive\t" + data + "PLANT1.RZT", deleted,
                            "keep\t" + backup + "PLANT1_2026-12-05-18-01-00.RZZ\tlast"}));
    EXPECT_EQ(bold, Names{deleted});
    EXPECT_EQ(stamps(), before);
    EXPECT_FALSE(Exists(folder / "ZE6Vivevu.log"));
    EXPECT_TRUE(Asked().empty());
}

} // namespace
} // namespace ze6::test
