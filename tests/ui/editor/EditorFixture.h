#pragma once

#include "FakeDataFileReader.h"
#include "support/TempFolder.h"
#include "ui/editor/EditorDialog.h"
#include "ui/editor/frmDAZadaroEdit.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <string>

class QLineEdit;
class QPushButton;

namespace ze6 {
class FileGrid;
class FolderTree;
} // namespace ze6

namespace ze6::test {

// The fake reader plus product settings and a folder browser the test controls.
class EditorComponents final : public ReaderComponents {
public:
    std::unique_ptr<ProductSettings> CreateProductSettings() override;
    std::unique_ptr<FolderBrowser> CreateFolderBrowser() override;

    std::string dataFolder;   // what the product settings report
    std::string browseResult; // what the folder browser returns
    std::string browsePrompt; // what it was asked with
    WindowHandle browseOwner = nullptr;
};

// A real editor dialog over a real temporary folder, with scripted boxes.
class EditorFixture : public ::testing::Test {
protected:
    EditorFixture();
    ~EditorFixture() override;

    EditorDialog& Dialog();
    template <typename T> T& Control(const char* name)
    {
        T* control = Dialog().findChild<T*>(QString::fromUtf8(name));
        if (control == nullptr)
            throw std::runtime_error(std::string("no control ") + name);
        return *control;
    }
    FileGrid& Grid();
    FolderTree& Tree();
    QLineEdit& TargetBox();
    QLineEdit& KeepLastBox();
    QPushButton& OkButton();

    // Prepares the dialog as Display does, starting at `sourceFolder`, and
    // shows it without a modal loop so the test can act on it.
    void Open(const std::string& sourceFolder);
    // Runs Display for real; `act` runs inside the modal loop. A guard hides
    // the dialog should the test forget to.
    void DisplayAndDo(const std::function<void()>& act);

    QStringList ListedNames();
    std::vector<bool> Ticks();
    void SetTick(int dataRow, bool ticked); // data rows count from 0 here
    void ClickOk();

    EditorComponents components;
    TempFolder folder;
    frmDAZadaroEdit form;
};

void ProcessEvents();

} // namespace ze6::test
