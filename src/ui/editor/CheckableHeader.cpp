#include "ui/editor/CheckableHeader.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionButton>

namespace ze6 {

namespace {
constexpr int kTickSection = 0;
constexpr int kTickMargin = 4;
} // namespace

CheckableHeader::CheckableHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent)
{
    setSectionsClickable(false);
    setHighlightSections(false);
    setSortIndicatorShown(false);
}

QSize CheckableHeader::TickSize() const
{
    QStyleOptionButton option;
    option.initFrom(this);
    return style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this).size();
}

QRect CheckableHeader::TickRectIn(const QRect& sectionRect) const
{
    QRect tick(QPoint(), TickSize());
    tick.moveCenter(sectionRect.center());
    return tick;
}

QRect CheckableHeader::TickRect() const
{
    const QRect section(sectionViewportPosition(kTickSection), 0, sectionSize(kTickSection), height());
    return TickRectIn(section);
}

bool CheckableHeader::Ticked() const
{
    return model() != nullptr &&
           model()->headerData(kTickSection, orientation(), Qt::CheckStateRole).toInt() == Qt::Checked;
}

void CheckableHeader::ToggleTick()
{
    if (model() != nullptr)
        model()->setHeaderData(kTickSection, orientation(), Ticked() ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
    viewport()->update();
}

void CheckableHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    painter->save();
    QHeaderView::paintSection(painter, rect, logicalIndex);
    painter->restore();
    if (logicalIndex != kTickSection)
        return;
    QStyleOptionButton option;
    option.initFrom(this);
    option.rect = TickRectIn(rect);
    option.state |= Ticked() ? QStyle::State_On : QStyle::State_Off;
    style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, painter, this);
}

QSize CheckableHeader::sectionSizeFromContents(int logicalIndex) const
{
    QSize size = QHeaderView::sectionSizeFromContents(logicalIndex);
    if (logicalIndex == kTickSection)
        size.setWidth(TickSize().width() + 2 * kTickMargin);
    return size;
}

void CheckableHeader::mousePressEvent(QMouseEvent* event)
{
    // The whole section is the target: the box is small and the section little wider.
    if (event->button() == Qt::LeftButton && logicalIndexAt(event->position().toPoint()) == kTickSection) {
        ToggleTick();
        event->accept();
        return;
    }
    QHeaderView::mousePressEvent(event);
}

void CheckableHeader::mouseReleaseEvent(QMouseEvent* event)
{
    if (logicalIndexAt(event->position().toPoint()) == kTickSection) {
        event->accept();
        return;
    }
    QHeaderView::mouseReleaseEvent(event);
}

void CheckableHeader::mouseDoubleClickEvent(QMouseEvent* event)
{
    // A double click is two clicks on the box, not a request to fit the column.
    if (event->button() == Qt::LeftButton && logicalIndexAt(event->position().toPoint()) == kTickSection) {
        ToggleTick();
        event->accept();
        return;
    }
    QHeaderView::mouseDoubleClickEvent(event);
}

} // namespace ze6
