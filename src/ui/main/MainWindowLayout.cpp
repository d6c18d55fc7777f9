#include "ui/main/MainWindowLayout.h"

namespace ze6::MainWindowLayout {

std::optional<QRect> GridPlacement(QSize clientSize, int buttonPanelWidth)
{
    const int width = clientSize.width() - buttonPanelWidth;
    if (width < 0 || clientSize.height() < 0)
        return std::nullopt;
    return QRect(0, 0, width, clientSize.height());
}

QRect ButtonPanelPlacement(QSize clientSize, int buttonPanelWidth)
{
    return QRect(clientSize.width() - buttonPanelWidth, 0, buttonPanelWidth, clientSize.height());
}

QPoint CentredOrigin(const QRect& screenArea, QSize windowSize)
{
    return QPoint(screenArea.left() + (screenArea.width() - windowSize.width()) / 2,
                  screenArea.top() + (screenArea.height() - windowSize.height()) / 2);
}

} // namespace ze6::MainWindowLayout
