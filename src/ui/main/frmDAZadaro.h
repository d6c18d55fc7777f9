#pragma once

#include <QMainWindow>

namespace ze6 {

// The main window: the job list of one configuration document.
class frmDAZadaro final : public QMainWindow {
    Q_OBJECT

public:
    explicit frmDAZadaro(QWidget* parent = nullptr);
};

}  // namespace ze6
