#include "ui/about/LinkLabel.h"

#include <QMouseEvent>

namespace ze6 {

LinkLabel::LinkLabel(QWidget* parent) : QLabel(parent)
{
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event)
{
    // A press that is dragged off the label before release is no click.
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
    QLabel::mouseReleaseEvent(event);
}

} // namespace ze6
