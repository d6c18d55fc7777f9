#include "ui/about/frmAbout.h"

namespace ze6 {

frmAbout::frmAbout(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About"));
}

}  // namespace ze6
