#pragma once

#include "engine/Job.h"

#include <QMainWindow>
#include <QString>
#include <string>
#include <vector>

class QAction;
class QMenu;
class QPushButton;
class QSessionManager;
class QTableWidget;

namespace ze6 {

namespace modDAZadaro {
class RunContext;
}

// A cell's bytes as the user reads them: UTF-8 as it stands, anything else as
// Latin-1 (the usual origin of such names), so no byte shows as a replacement mark.
QString ReadableText(const std::string& bytes);

// The main window: the job list of one configuration document, kept in the
// grid and nowhere else. Rows are numbered as the user sees them: row 0 is the
// header, jobs are rows 1 to JobCount().
class frmDAZadaro final : public QMainWindow {
    Q_OBJECT

public:
    explicit frmDAZadaro(QWidget* parent = nullptr);

    // The file the list was loaded from or last saved to; empty before either.
    const QString& CurrentFile() const { return m_currentFile; }
    // The list changed since it was last loaded or saved (or since the window opened).
    bool IsDirty() const { return m_isDirty; }

    int JobCount() const;
    modDAZadaro::Job Job(int row) const;
    std::vector<modDAZadaro::Job> Jobs() const;

    // The job line of a row (row >= 1), with the cells' bytes as loaded.
    std::string GetCommandLine(int row) const;

    // Both leave the list and the document as they were and tell the user
    // when the file cannot be read or written; true on success.
    bool SaveFile(const QString& path);
    bool LoadFile(const QString& path);

    // Asks before unsaved changes are lost; true when the window may close.
    bool ConfirmClose();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildMenus();
    void BuildClientArea();
    void CentreOnScreen();
    void ApplyLayout();
    int Twips(int twips, Qt::Orientation orientation) const;

    void AppendJob(const modDAZadaro::Job& job);
    // Tells the user why `jobs` cannot be saved or added; false when they can.
    // Rows are numbered from firstRow in the message.
    bool RefuseUnusableCells(const std::vector<modDAZadaro::Job>& jobs, int firstRow, const std::string& what,
                             const std::string& consequence);
    void FitColumns();
    int CurrentJobRow() const;
    void RecordDocumentFile(const QString& path);
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

    // Restore… and Verify in the Edit menu (frmDAZadaroArchives.cpp).
    void mnuEdit_AboutToShow();
    void RestoreFromArchive();
    void VerifyArchives();
    std::vector<int> SelectedJobRows() const;

    QTableWidget* m_grid = nullptr;
    QWidget* m_buttonPanel = nullptr;
    QPushButton* m_cmdAdd = nullptr;
    QPushButton* m_cmdRemove = nullptr;
    QPushButton* m_cmdExecute = nullptr;
    QPushButton* m_cmdCopySyntax = nullptr;
    QMenu* m_mnuFile = nullptr;
    QAction* m_mnuSave = nullptr;
    QAction* m_mnuSaveAs = nullptr;
    QAction* m_mnuRestore = nullptr;
    QAction* m_mnuVerify = nullptr;

    // Where a grid cell keeps its bytes, which need not be UTF-8.
    static constexpr int kCellBytesRole = Qt::UserRole;

    QString m_currentFile;
    bool m_isDirty = false;
    // Set once the user agreed to lose changes as the session ends, so the
    // closing that follows does not ask a second time.
    bool m_closeConfirmed = false;
    // The run Execute has going, and whether the window closes when it has ended.
    modDAZadaro::RunContext* m_run = nullptr;
    bool m_closeAfterRun = false;
};

} // namespace ze6
