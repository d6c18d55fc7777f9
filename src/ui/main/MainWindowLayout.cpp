#include "ui/main/MainWindowLayout.h"

namespace ze6::MainWindowLayout {

QPoint CentredOrigin(const QRect& screenArea, QSize windowSize)
{
    return QPoint(screenArea.left() + (screenArea.width() - windowSize.width()) / 2,
                  screenArea.top() + (screenArea.height() - windowSize.height()) / 2);
}

} // namespace ze6::MainWindowLayout
