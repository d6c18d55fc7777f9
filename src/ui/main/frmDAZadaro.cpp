#include "ui/main/frmDAZadaro.h"

#include "platform/Version.h"

namespace ze6 {

frmDAZadaro::frmDAZadaro(QWidget* parent) : QMainWindow(parent)
{
    setWindowTitle(QString::fromUtf8(kApplicationTitle));
}

}  // namespace ze6
