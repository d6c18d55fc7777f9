#pragma once

#include <QDialog>

namespace ze6 {

// The About box: title, version with build, the maker's details and two links.
class frmAbout final : public QDialog {
    Q_OBJECT

public:
    explicit frmAbout(QWidget* parent = nullptr);
};

}  // namespace ze6
