#include "EditorFixture.h"
#include "support/WithoutFileAccessOverride.h"

#include "ui/editor/CheckableHeader.h"
#include "ui/editor/DataFileListing.h"

#include <QFile>

namespace ze6::test {
namespace {

using SourceSelectionTest = EditorFixture;

QStringList Sorted(QStringList names)
{
    names.sort();
    return names;
}

TEST_F(SourceSelectionTest, ListsTheRecognisedDataFilesAllTicked)
{
    components.recognise = [](const std::string& path) { return path.find("NOTDATA") == std::string::npos; };
    for (const char* name : {"X.RZT", "X.RZT6", "x.rzt", "X.RZ", "X.RZT66", "NOTDATA.RZT", ".Z.RZT", "X.txt"})
        folder.Write(name);
    folder.MakeFolder("Y.RZT");
    Open(folder.Path());

    EXPECT_EQ(Sorted(ListedNames()),
              (QStringList{QStringLiteral("X.RZT"), QStringLiteral("X.RZT6"), QStringLiteral("x.rzt")}));
    EXPECT_EQ(Ticks(), std::vector<bool>(3, true));
    for (const FileGridRow& row : Grid().Model().Rows())
        EXPECT_EQ(row.description, QStringLiteral("Data of ") + row.name);
    // Asked once per candidate, by its full path.
    EXPECT_EQ(components.asked.size(), 4u);
    for (const std::string& path : components.asked)
        EXPECT_EQ(path.rfind(folder.Path(), 0), 0u) << path;
}

TEST_F(SourceSelectionTest, FoldersAndReadersThatFailLeaveFilesOutSilently)
{
    folder.Write("A.RZT");
    EXPECT_TRUE(ReadDataFiles(folder.Path() + "missing/", "*.RZT?", true).empty());
    // Root reads any folder unless its file-access override is dropped.
    if (const test::WithoutFileAccessOverride permissionsHold; permissionsHold.Active()) {
        const QString locked = QString::fromStdString(folder.MakeFolder("locked"));
        folder.Write("locked/B.RZT");
        QFile::setPermissions(locked, QFileDevice::Permissions());
        EXPECT_TRUE(ReadDataFiles(locked.toStdString(), "*.RZT?", true).empty());
        QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    components.failReader = true;
    EXPECT_TRUE(ReadDataFiles(folder.Path(), "*.RZT?", true).empty());
    EXPECT_TRUE(components.prompt.asked.empty());
}

TEST_F(SourceSelectionTest, TickBoxesToggleByMouseAndKeyboardOnlyAndTheHeaderTickGoesToEveryRowAndToNewRows)
{
    folder.Write("A.RZT");
    folder.Write("B.RZT");
    const std::string other = folder.MakeFolder("other");
    folder.Write("other/C.RZT");
    Open(folder.Path());
    FileGridModel& model = Grid().Model();

    // Space toggles the current row, whichever cell of it is current.
    Grid().setFocus();
    Grid().setCurrentIndex(model.index(1, FileGridModel::FilenameColumn));
    QTest::keyClick(&Grid(), Qt::Key_Space);
    EXPECT_EQ(Ticks(), (std::vector<bool>{true, false}));
    QTest::keyClick(&Grid(), Qt::Key_Space);
    EXPECT_EQ(Ticks(), (std::vector<bool>{true, true}));
    const QRect cell = Grid().visualRect(model.index(0, FileGridModel::TickColumn));
    QTest::mouseClick(Grid().viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(Ticks(), (std::vector<bool>{false, true}));
    EXPECT_TRUE(model.HeaderTicked()); // row changes leave the header box alone

    QTest::mouseClick(Grid().horizontalHeader()->viewport(), Qt::LeftButton, {}, Grid().Header().TickRect().center());
    EXPECT_FALSE(model.HeaderTicked());
    EXPECT_EQ(Ticks(), (std::vector<bool>{false, false}));
    // Another folder is listed afresh; the tree gives its path without a final '/'.
    Tree().GoTo(QString::fromStdString(other));
    EXPECT_EQ(Dialog().State().currentFolder, QString::fromStdString(other));
    EXPECT_EQ(ListedNames(), QStringList{QStringLiteral("C.RZT")});
    EXPECT_EQ(Ticks(), std::vector<bool>{false});
    // Ctrl+Space in the grid is the keyboard way to the header box.
    Grid().setFocus();
    QTest::keyClick(&Grid(), Qt::Key_Space, Qt::ControlModifier);
    EXPECT_TRUE(model.HeaderTicked());
    EXPECT_EQ(Ticks(), std::vector<bool>{true});
}

} // namespace
} // namespace ze6::test
