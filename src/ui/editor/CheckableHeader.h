#pragma once

#include <QHeaderView>

namespace ze6 {

// A horizontal header that shows the model's header check state of column 0
// as a tick box and lets a click change it. Clicks on the other sections do
// nothing (the file list keeps its listing order).
class CheckableHeader final : public QHeaderView {
    Q_OBJECT

public:
    explicit CheckableHeader(QWidget* parent = nullptr);

    // Where the tick box is drawn within the view, for tests and hit testing.
    QRect TickRect() const;
    void ToggleTick();

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    QSize sectionSizeFromContents(int logicalIndex) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QRect TickRectIn(const QRect& sectionRect) const;
    QSize TickSize() const;
    bool Ticked() const;
};

} // namespace ze6
