#pragma once

#include "engine/DryRun.h"

#include <QDialog>

class QTextEdit;

namespace ze6 {

// Shows what a run would do, line for line as "/DRYRUN" prints it, with the
// deletions marked, and then what the run would log. It only shows: the
// listing was worked out before, without changing anything.
class DryRunDialog final : public QDialog {
    Q_OBJECT

public:
    DryRunDialog(const modDAZadaro::DryRunListing& listing, QWidget* owner);

    // Shows a new dialog modally.
    static void Show(const modDAZadaro::DryRunListing& listing, QWidget* owner);

private:
    QTextEdit* m_txtListing = nullptr;
};

} // namespace ze6
