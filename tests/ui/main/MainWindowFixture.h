#pragma once

#include "platform/Components.h"
#include "support/FakeShell.h"
#include "support/TempFolder.h"
#include "ui/main/frmDAZadaro.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace ze6::test {

struct FileDialogCall {
    bool save = false;
    WindowHandle owner = nullptr;
    std::string initialLocation, title, filter;
    bool option = false; // file must exist (open) / confirm overwrite (save)
};

// Records every file dialog and answers with the scripted paths ("" = cancelled).
struct FileDialogScript {
    std::vector<FileDialogCall> calls;
    std::deque<std::string> answers;
};

// Real components with a scripted prompt, scripted file dialogs and product
// settings that report a known configuration folder.
class MainWindowComponents : public FakeShell {
public:
    MainWindowComponents() { configFolder = "/srv/rz/config/"; }
    std::unique_ptr<FileDialogs> CreateFileDialogs() override;

    FileDialogScript dialogs;
};

// A shown main window with its controls at hand; the application log goes to
// the temporary folder.
class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest();
    ~MainWindowTest() override;

    template <typename T> T* Find(const char* name) const { return window->findChild<T*>(QString::fromLatin1(name)); }
    QTableView* Grid() const { return Find<QTableView>("Grid"); }
    void SetCurrentRow(int row) const { Grid()->setCurrentIndex(Grid()->model()->index(row, 0)); }
    QPushButton* Button(const char* name) const { return Find<QPushButton>(name); }
    QAction* Action(const char* name) const { return Find<QAction>(name); }
    // Runs the File menu's enabling step, as showing the menu does.
    void OpenFileMenu() const { Q_EMIT Find<QMenu>("mnuFile")->aboutToShow(); }
    std::vector<PromptRequest>& Asked() { return components.prompt.asked; }

    // Runs `act` on the modal window that comes up; `scope` drops the call if none does.
    static void WithNextModal(QObject& scope, std::function<void(QWidget&)> act);

    // The jobs as the window holds them; PutJobs adds some as if they had
    // been added, without touching the document state.
    JobListModel& JobList() const { return window->Document().JobList(); }
    const std::vector<modDAZadaro::Job>& Jobs() const { return window->Document().Jobs(); }
    void PutJobs(const std::vector<modDAZadaro::Job>& rows) const { JobList().Append(rows); }

    TempFolder folder;
    MainWindowComponents components;
    std::unique_ptr<frmDAZadaro> window;
};

} // namespace ze6::test
