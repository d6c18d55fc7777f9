#include "ui/editor/SplitterBar.h"

#include <QMouseEvent>

namespace ze6 {

SplitterBar::SplitterBar(QWidget* parent) : QWidget(parent)
{
    setCursor(Qt::SplitHCursor);
}

void SplitterBar::mousePressEvent(QMouseEvent* event)
{
    Q_EMIT Pressed(event->button(), event->position().toPoint());
    event->accept();
}

void SplitterBar::mouseMoveEvent(QMouseEvent* event)
{
    Q_EMIT Moved(event->position().toPoint());
    event->accept();
}

void SplitterBar::mouseReleaseEvent(QMouseEvent* event)
{
    Q_EMIT Released(event->button(), event->position().toPoint());
    event->accept();
}

} // namespace ze6
