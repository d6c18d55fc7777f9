#pragma once

#include "platform/Prompt.h"
#include "ui/editor/EditorLayout.h"
#include "ui/editor/EditorState.h"

#include <QDialog>
#include <array>
#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace ze6 {

class FileGrid;
class FolderTree;
class SplitterBar;

// The window of the backup entry editor. It reads and writes the caller's
// values in an EditorState that outlives it; frmDAZadaroEdit owns both.
// Closing it in any way only hides it, so the values stay readable.
class EditorDialog final : public QDialog {
    Q_OBJECT

public:
    EditorDialog(EditorState& state, QWidget* owner);

    // Fills the boxes, goes to the start folder, shows the dialog modally and
    // returns once it is hidden.
    void Display();
    // Everything Display does before showing the dialog.
    void Prepare();

    // The folder the tree opens at: the source folder's folder part, else the
    // product's data folder, else the user's home folder.
    QString StartFolder() const;

    // Lists the data files of the current folder matching `pattern`.
    void FillFileList(const QString& pattern);

    // Lays out splitter, tree and grid for the current size and split ratio.
    void SizeControls();

    // Reached by tests through the layout's own numbers.
    const EditorState& State() const { return m_state; }
    const EditorLayout::SplitPanes& Panes() const { return m_panes; }
    const EditorLayout::Rect& Indicator() const { return m_indicator; }
    bool Moving() const { return m_moving; }
    double TwipsPerPixel() const;
    double InnerWidth() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

public Q_SLOTS:
    void reject() override;

private:
    void BuildControls();
    void BuildRulesPanel();
    void SetUpTabOrder();
    void CentreOnScreen();
    void PlaceTargetPanel();
    void DockPanels();
    void PlaceButtonPanel();
    void LayOut();
    void ApplyPanes();
    void ApplyIndicator();

    void OnFolderSelected();
    void OnGridCellChanged(int row, int column);
    void OnOk();
    void OnCancel();
    void OnTargetBrowse();
    // Picks an rclone remote and one of its folders as the target.
    void OnTargetRemote();
    bool ValidateSources();
    bool ValidateTarget();
    bool ValidateKeepLast();
    bool ValidateCalendar();

    void OnSplitPressed(Qt::MouseButton button, QPoint position);
    void OnSplitMoved(QPoint position);
    void OnSplitReleased(Qt::MouseButton button, QPoint position);

    PromptAnswer Ask(const std::string& text, PromptButtons buttons, PromptIcon icon);

    EditorState& m_state;
    EditorLayout::SplitPanes m_panes;
    EditorLayout::Rect m_indicator;
    bool m_moving = false;

    FolderTree* m_lstFolders = nullptr;
    FileGrid* m_grdfiles = nullptr;
    SplitterBar* m_imgSplit = nullptr;
    QWidget* m_picSplit = nullptr;
    QWidget* m_targetPanel = nullptr;
    QLabel* m_targetLabel = nullptr;
    QLineEdit* m_txtTargetFolder = nullptr;
    QPushButton* m_cmdTargetBrowse = nullptr;
    QPushButton* m_cmdTargetRemote = nullptr;
    QLabel* m_keepLastLabel = nullptr;
    QLineEdit* m_txtKeepLast = nullptr;
    QWidget* m_rulesPanel = nullptr;
    std::array<QLineEdit*, 4> m_txtCalendar{}; // in the order of EditorState::keepCalendar
    QCheckBox* m_chkIfChanged = nullptr;
    QWidget* m_picFooter = nullptr;
    QWidget* m_picButtons = nullptr;
    QPushButton* m_cmdOk = nullptr;
    QPushButton* m_cmdCancel = nullptr;
};

} // namespace ze6
