#include "EditorFixture.h"

#include "ui/editor/CheckableHeader.h"
#include "ui/editor/FileGrid.h"
#include "ui/editor/FileGridModel.h"
#include "ui/editor/FolderTree.h"

#include <QApplication>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QTest>

namespace ze6::test {
namespace {

using SourceSelectionTest = EditorFixture;

QStringList Sorted(QStringList names)
{
    names.sort();
    return names;
}

TEST_F(SourceSelectionTest, ListsTheDataFilesOfTheSelectedFolderAllTicked)
{
    for (const char* name : {"X.RZT", "x.rzt", "notes.txt"})
        folder.Write(name);
    Open(folder.Path());
    EXPECT_EQ(Sorted(ListedNames()), (QStringList{QStringLiteral("X.RZT"), QStringLiteral("x.rzt")}));
    EXPECT_EQ(Ticks(), std::vector<bool>(2, true));
    EXPECT_EQ(Grid().model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Description"));
    EXPECT_EQ(Grid().model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Filename"));
    // The tick column fits its contents: the tick box is visible.
    EXPECT_GE(Grid().columnWidth(0), Grid().Header().TickRect().width());
}

TEST_F(SourceSelectionTest, SelectingAnotherFolderRebuildsTheListUnderTheWaitCursor)
{
    folder.Write("A.RZT");
    const std::string other = folder.MakeFolder("other");
    folder.Write("other/B.RZT");
    folder.Write("other/C.RZT");
    folder.Write("other/skip.RZT");
    components.recognise = [](const std::string& path) { return path.find("skip") == std::string::npos; };
    Open(folder.Path());
    ASSERT_EQ(ListedNames(), QStringList{QStringLiteral("A.RZT")});

    std::vector<bool> waitCursorShown;
    components.recognise = [&](const std::string& path) {
        const QCursor* cursor = QApplication::overrideCursor();
        waitCursorShown.push_back(cursor != nullptr && cursor->shape() == Qt::WaitCursor);
        return path.find("skip") == std::string::npos;
    };
    auto* model = qobject_cast<QFileSystemModel*>(Tree().model());
    Tree().setCurrentIndex(model->index(QString::fromStdString(other))); // the path comes without a final '/'

    EXPECT_EQ(Dialog().State().currentFolder, QString::fromStdString(other));
    EXPECT_EQ(Sorted(ListedNames()), (QStringList{QStringLiteral("B.RZT"), QStringLiteral("C.RZT")}));
    EXPECT_EQ(waitCursorShown, std::vector<bool>(3, true));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(SourceSelectionTest, HeaderTickGoesToEveryRowAndToNewRows)
{
    folder.Write("A.RZT");
    folder.Write("B.RZT");
    const std::string other = folder.MakeFolder("other");
    folder.Write("other/C.RZT");
    Open(folder.Path());
    FileGridModel& model = Grid().Model();
    ASSERT_TRUE(model.HeaderTicked());

    // A click on the header's tick box clears every row.
    QTest::mouseClick(Grid().horizontalHeader()->viewport(), Qt::LeftButton, {}, Grid().Header().TickRect().center());
    EXPECT_FALSE(model.HeaderTicked());
    EXPECT_EQ(Ticks(), (std::vector<bool>{false, false}));

    // New rows take the header's state.
    Tree().GoTo(QString::fromStdString(other));
    EXPECT_EQ(ListedNames(), QStringList{QStringLiteral("C.RZT")});
    EXPECT_EQ(Ticks(), std::vector<bool>{false});

    // Ctrl+Space in the grid is the keyboard way to the header box.
    Grid().setFocus();
    QTest::keyClick(&Grid(), Qt::Key_Space, Qt::ControlModifier);
    EXPECT_TRUE(model.HeaderTicked());
    EXPECT_EQ(Ticks(), std::vector<bool>{true});
}

TEST_F(SourceSelectionTest, RowTickBoxesToggleByMouseAndKeyboardOnly)
{
    folder.Write("A.RZT");
    folder.Write("B.RZT");
    Open(folder.Path());
    FileGridModel& model = Grid().Model();

    // Space ticks or clears the current row, whichever cell of it is current.
    Grid().setFocus();
    Grid().setCurrentIndex(model.index(1, FileGridModel::FilenameColumn));
    QTest::keyClick(&Grid(), Qt::Key_Space);
    EXPECT_EQ(Ticks(), (std::vector<bool>{true, false}));
    QTest::keyClick(&Grid(), Qt::Key_Space);
    EXPECT_EQ(Ticks(), (std::vector<bool>{true, true}));

    // A click on the first row's tick box.
    const QRect cell = Grid().visualRect(model.index(0, FileGridModel::TickColumn));
    QTest::mouseClick(Grid().viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(Ticks(), (std::vector<bool>{false, true}));
    // Row changes leave the header box alone.
    EXPECT_TRUE(model.HeaderTicked());

    // Names and descriptions cannot be edited in place.
    const QModelIndex name = model.index(0, FileGridModel::FilenameColumn);
    QTest::mouseDClick(Grid().viewport(), Qt::LeftButton, {}, Grid().visualRect(name).center());
    QTest::keyClick(&Grid(), Qt::Key_F2);
    EXPECT_TRUE(Grid().viewport()->findChildren<QLineEdit*>().isEmpty());
    EXPECT_EQ(ListedNames().front(), model.Rows().front().name);
}

TEST_F(SourceSelectionTest, AFolderOfFiveThousandDataFilesIsListedInFull)
{
    for (int i = 0; i < 5000; ++i)
        folder.Write("PLANT" + std::to_string(i) + ".RZT", "");
    Open(folder.Path());
    EXPECT_EQ(Grid().model()->rowCount(), 5000);
}

} // namespace
} // namespace ze6::test
