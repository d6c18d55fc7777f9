#pragma once

#include "platform/Components.h"
#include "support/ScriptedPrompt.h"
#include "support/TempFolder.h"
#include "ui/main/JobRow.h"
#include "ui/main/frmDAZadaro.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <deque>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace ze6::test {

struct FileDialogCall {
    bool save = false;
    WindowHandle owner = nullptr;
    std::string initialLocation;
    std::string title;
    std::string filter;
    bool option = false; // file must exist (open) / confirm overwrite (save)
};

// Records every file dialog and answers with the scripted paths ("" = cancelled).
struct FileDialogScript {
    std::vector<FileDialogCall> calls;
    std::deque<std::string> answers;
};

// Real components with a scripted prompt, scripted file dialogs and product
// settings that report a known configuration folder.
class MainWindowComponents : public TestComponents {
public:
    std::unique_ptr<FileDialogs> CreateFileDialogs() override;
    std::unique_ptr<ProductSettings> CreateProductSettings() override;

    FileDialogScript dialogs;
    std::string configFolder = "/srv/rz/config/";
};

// A shown main window with its controls at hand. The application log goes to
// the temporary folder.
class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest();
    ~MainWindowTest() override;

    QTableWidget* Grid() const;
    QPushButton* Button(const char* name) const;
    QMenu* Menu(const char* name) const;
    QAction* Action(const char* name) const;

    // Puts rows into the grid as if they had been added, without touching the document state.
    void PutJobs(const std::vector<JobRow>& rows);
    // Opens the File menu's enabling step, as showing the menu does.
    void OpenFileMenu() const;
    // Ctrl+clicks the given rows (1-based), as a user picks non-adjacent rows.
    void CtrlClickRows(const std::vector<int>& rows);

    std::vector<PromptRequest>& Asked() { return components.prompt.asked; }

    TempFolder folder;
    MainWindowComponents components;
    std::unique_ptr<frmDAZadaro> window;
};

} // namespace ze6::test
