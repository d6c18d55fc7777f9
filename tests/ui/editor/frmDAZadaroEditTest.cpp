#include "EditorFixture.h"

#include "platform/ProcessInfo.h"
#include "ui/editor/FileGrid.h"
#include "ui/editor/FolderTree.h"

#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

namespace ze6::test {
namespace {

using ContractTest = EditorFixture;

TEST_F(ContractTest, PropertiesBeforeDisplay)
{
    form.SetCancel(false);
    form.SetFormCaption(QStringLiteral("Add a new entry")); // loads the dialog
    EXPECT_TRUE(form.Cancel());
    EXPECT_EQ(form.FormCaption(), QStringLiteral("Add a new entry"));
    EXPECT_EQ(Dialog().windowTitle(), QStringLiteral("Add a new entry"));
    EXPECT_FALSE(Dialog().isVisible());

    EXPECT_TRUE(form.SourceFiles().isEmpty());

    form.SetKeepLast(QStringLiteral("0"));
    EXPECT_EQ(form.KeepLast(), QString());
    form.SetKeepLast(7);
    EXPECT_EQ(form.KeepLast(), QStringLiteral("7"));
}

TEST_F(ContractTest, DisplayFillsTheBoxesStartsAtTheSourceFolderAndReturnsOnCancel)
{
    folder.Write("A.RZT");
    const QString folderPath = QString::fromStdString(folder.Path());
    form.SetSourceFolder(folderPath + QStringLiteral("*.RZT"));
    form.SetTargetFolder(QStringLiteral("/backup/"));
    form.SetKeepLast(5);
    bool shown = false;
    DisplayAndDo([&] {
        shown = Dialog().isVisible() && Dialog().isModal();
        EXPECT_EQ(TargetBox().text(), QStringLiteral("/backup/"));
        EXPECT_EQ(KeepLastBox().text(), QStringLiteral("5"));
        EXPECT_EQ(Dialog().State().currentFolder, folderPath);
        EXPECT_EQ(Tree().SelectedPath() + QLatin1Char('/'), folderPath);
        EXPECT_EQ(Dialog().State().splitRatio, 0.3);
        Control<QPushButton>("cmdCancel").click();
    });
    EXPECT_TRUE(shown);
    EXPECT_FALSE(Dialog().isVisible());
    EXPECT_TRUE(form.Cancel());
    EXPECT_EQ(form.SourceFolder(), folderPath + QStringLiteral("*.RZT"));
    EXPECT_EQ(form.TargetFolder(), QStringLiteral("/backup/"));
    EXPECT_EQ(form.KeepLast(), QStringLiteral("5"));
}

TEST_F(ContractTest, StartFolderFallsBackToDataFolderThenHome)
{
    const std::string data = folder.MakeFolder("data");
    components.dataFolder = data;
    form.SetSourceFolder(QString());
    EXPECT_EQ(Dialog().StartFolder(), QString::fromStdString(data));

    components.dataFolder.clear();
    EXPECT_EQ(Dialog().StartFolder(), QString::fromStdString(HomeFolder()));

    // A source without any folder part gives no start folder either.
    form.SetSourceFolder(QStringLiteral("PLANT1.RZT"));
    EXPECT_EQ(Dialog().StartFolder(), QString::fromStdString(HomeFolder()));

    form.SetSourceFolder(QString::fromStdString(data));
    EXPECT_EQ(Dialog().StartFolder(), QString::fromStdString(data));
}

TEST_F(ContractTest, EscapeAndTheCloseBoxCancelButOnlyDestroyUnloads)
{
    form.SetSourceFolder(QString::fromStdString(folder.Path()));
    form.SetTargetFolder(QStringLiteral("/typed/"));
    QPointer<QDialog> dialog = &Dialog();
    DisplayAndDo([this] { QTest::keyClick(&Dialog(), Qt::Key_Escape); });
    EXPECT_TRUE(form.Cancel());
    ASSERT_FALSE(dialog.isNull());
    EXPECT_FALSE(dialog->isVisible());

    bool closed = true;
    DisplayAndDo([&] { closed = Dialog().close(); });
    EXPECT_FALSE(closed);
    EXPECT_TRUE(form.Cancel());
    EXPECT_FALSE(dialog.isNull());
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(form.TargetFolder(), QStringLiteral("/typed/"));

    form.Destroy();
    EXPECT_TRUE(dialog.isNull());
    EXPECT_TRUE(form.Cancel());
    EXPECT_EQ(form.TargetFolder(), QString());
}

TEST_F(ContractTest, AcceptedEntryIsReadAfterDisplay)
{
    folder.Write("A.RZT");
    const std::string target = folder.MakeFolder("backup");
    form.SetSourceFolder(QString::fromStdString(folder.Path()));
    DisplayAndDo([&] {
        TargetBox().setText(QStringLiteral("  ") + QString::fromStdString(target).chopped(1) + QStringLiteral("  "));
        KeepLastBox().setText(QStringLiteral("3"));
        ClickOk();
    });
    EXPECT_TRUE(components.prompt.asked.empty());
    EXPECT_FALSE(form.Cancel());
    EXPECT_EQ(form.SourceFiles(), QStringList{QString::fromStdString(folder.Path() + "*.RZT?")});
    EXPECT_EQ(form.TargetFolder(), QString::fromStdString(target));
    EXPECT_EQ(form.KeepLast(), QStringLiteral("3"));
}

} // namespace
} // namespace ze6::test
