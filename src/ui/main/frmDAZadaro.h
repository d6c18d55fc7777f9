#pragma once

#include "ui/main/ConfigurationDocument.h"

#include <QMainWindow>
#include <QString>
#include <optional>
#include <vector>

class QAction;
class QMenu;
class QPushButton;
class QSessionManager;
class QTableView;

namespace ze6 {

namespace modDAZadaro {
class RunContext;
}

// The main window: a view of one configuration document's jobs with the
// commands on them. The jobs live in the document's model; the window reads
// and changes them only through it.
class frmDAZadaro final : public QMainWindow {
    Q_OBJECT

public:
    explicit frmDAZadaro(QWidget* parent = nullptr);

    ConfigurationDocument& Document() { return m_document; }
    const ConfigurationDocument& Document() const { return m_document; }
    const QString& CurrentFile() const { return m_document.CurrentFile(); }
    bool IsDirty() const { return m_document.IsDirty(); }

    // Both tell the user when the file cannot be read or written, leaving the
    // list and the document as they were; true on success.
    bool SaveFile(const QString& path);
    bool LoadFile(const QString& path);

    // Asks before unsaved changes are lost; true when the window may close.
    bool ConfirmClose();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenus();
    void BuildClientArea();
    void CentreOnScreen();
    int Twips(int twips, Qt::Orientation orientation) const;

    void ShowNotice(const std::optional<PromptRequest>& notice);
    void FitColumns();
    // The current row from 0, or -1 when there is none.
    int CurrentJobRow() const;
    // The selected rows from 0, in list order.
    std::vector<int> SelectedJobRows() const;
    std::vector<modDAZadaro::Job> SelectedJobs() const;
    std::string InitialDialogLocation() const;

    // Menu and button commands.
    void mnuFile_AboutToShow();
    void Open();
    void Save();
    void SaveAs();
    void Schedule();
    void Add();
    void Remove();
    void Execute();
    void CopySyntax();
    void ShowCommandLineSyntax();
    void ShowAbout();
    void CommitSessionData(QSessionManager& manager);

    // Restore…, Verify and Dry Run in the Edit menu (frmDAZadaroArchives.cpp).
    void mnuEdit_AboutToShow();
    void RestoreFromArchive();
    void VerifyArchives();
    void DryRun();
    void ShowLog();
    // The records' word on the jobs of the file just opened, in the grid and the status bar.
    void ShowJobStatuses();

    ConfigurationDocument m_document;
    QTableView* m_grid = nullptr;
    QPushButton* m_cmdAdd = nullptr;
    QPushButton* m_cmdExecute = nullptr;
    QMenu* m_mnuFile = nullptr;
    QAction* m_mnuSave = nullptr;
    QAction* m_mnuSaveAs = nullptr;
    QAction* m_mnuRestore = nullptr;
    QAction* m_mnuVerify = nullptr;

    // Set once the user agreed to lose changes as the session ends, so the
    // closing that follows does not ask a second time.
    bool m_closeConfirmed = false;
    // The run Execute has going, and whether the window closes when it has ended.
    modDAZadaro::RunContext* m_run = nullptr;
    bool m_closeAfterRun = false;
};

} // namespace ze6
