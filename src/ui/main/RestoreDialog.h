#pragma once

#include "engine/Restore.h"

#include <QDialog>
#include <optional>
#include <string>
#include <vector>

class QLineEdit;
class QPushButton;
class QTableWidget;

namespace ze6 {

// What the dialog offers: a job's archives, in the order to list them, and
// the folder proposed as destination.
struct RestoreRequest {
    std::vector<modDAZadaro::RestorePoint> archives;
    std::string destination;
};

// What the user chose.
struct RestoreChoice {
    std::string archive;
    std::string destination;

    bool operator==(const RestoreChoice&) const = default;
};

// Lets the user pick one archive of a job and the folder to restore it into.
// It takes a request and hands back a choice; the caller does the restore.
class RestoreDialog final : public QDialog {
    Q_OBJECT

public:
    RestoreDialog(const RestoreRequest& request, QWidget* owner);

    // Shows a new dialog modally; the choice, or nullopt when cancelled.
    static std::optional<RestoreChoice> Ask(const RestoreRequest& request, QWidget* owner);

    // The archive and folder as they stand in the dialog; nullopt while
    // either is missing.
    std::optional<RestoreChoice> Choice() const;

private:
    void UpdateRestoreButton();
    void OnBrowse();

    std::vector<modDAZadaro::RestorePoint> m_archives;
    QTableWidget* m_grdArchives = nullptr;
    QLineEdit* m_txtDestination = nullptr;
    QPushButton* m_cmdRestore = nullptr;
};

} // namespace ze6
