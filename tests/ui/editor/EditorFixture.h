#pragma once

#include "support/FakeDataFileReader.h"
#include "support/FakeShell.h"
#include "support/TempFolder.h"
#include "ui/editor/EditorDialog.h"
#include "ui/editor/FileGrid.h"
#include "ui/editor/FileGridModel.h"
#include "ui/editor/FolderTree.h"
#include "ui/editor/frmDAZadaroEdit.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace ze6::test {

// The fake shell with a scripted prompt and a data-file reader that
// recognises what the test says (every file unless told otherwise).
class EditorComponents final : public FakeShell, public FakeDataFileReader {
public:
    EditorComponents()
    {
        recognise = [](const std::string&) { return true; };
    }
    std::unique_ptr<ApplicationInfo> CreateApplicationInfo() override { return CreateReader(); }
};

inline void ProcessEvents()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

class EditorFixture : public ::testing::Test {
protected:
    ~EditorFixture() override { form.Destroy(); }

    EditorDialog& Dialog() { return *qobject_cast<EditorDialog*>(form.DialogWidget()); }
    template <typename T = QWidget> T& Control(const char* name)
    {
        T* control = Dialog().findChild<T*>(QString::fromUtf8(name));
        if (control == nullptr)
            throw std::runtime_error(std::string("no control ") + name);
        return *control;
    }
    FileGrid& Grid() { return Control<FileGrid>("grdfiles"); }
    FolderTree& Tree() { return Control<FolderTree>("lstFolders"); }
    QLineEdit& TargetBox() { return Control<QLineEdit>("txtTargetFolder"); }
    QLineEdit& KeepLastBox() { return Control<QLineEdit>("txtKeepLast"); }
    QPushButton& OkButton() { return Control<QPushButton>("cmdOk"); }

    // Prepares the dialog as Display does and shows it without a modal loop.
    void Open(const std::string& sourceFolder)
    {
        form.SetFormCaption(QStringLiteral("Add a new entry"));
        form.SetSourceFolder(QString::fromStdString(sourceFolder));
        Dialog().Prepare();
        Dialog().show();
        Dialog().activateWindow();
        if (!QTest::qWaitForWindowActive(&Dialog()))
            ADD_FAILURE() << "the dialog never became active";
        ProcessEvents();
    }
    // Runs Display for real with `act` inside the modal loop; a guard hides
    // the dialog should the test forget to.
    void DisplayAndDo(const std::function<void()>& act)
    {
        QTimer::singleShot(0, &Dialog(), [act] {
            act();
            ProcessEvents();
        });
        QTimer::singleShot(20000, &Dialog(), [this] {
            ADD_FAILURE() << "Display did not return; hiding the dialog";
            Dialog().hide();
        });
        form.Display();
    }

    QStringList ListedNames()
    {
        QStringList names;
        for (const FileGridRow& row : Grid().Model().Rows())
            names << row.name;
        return names;
    }
    std::vector<bool> Ticks()
    {
        std::vector<bool> ticks;
        for (const FileGridRow& row : Grid().Model().Rows())
            ticks.push_back(row.ticked);
        return ticks;
    }
    void SetTick(int row, bool ticked)
    {
        FileGridModel& model = Grid().Model();
        model.setData(model.index(row, FileGridModel::TickColumn), ticked ? Qt::Checked : Qt::Unchecked,
                      Qt::CheckStateRole);
    }
    void ClickOk()
    {
        QTest::mouseClick(&OkButton(), Qt::LeftButton);
        ProcessEvents();
    }

    EditorComponents components;
    TempFolder folder;
    frmDAZadaroEdit form;
};

} // namespace ze6::test
