#pragma once

#include <QWidget>

namespace ze6 {

// The bar between the folder tree and the file grid (imgSplit). It only
// reports the mouse; the dialog decides what a drag does. Positions are
// relative to the bar's own top-left corner.
class SplitterBar final : public QWidget {
    Q_OBJECT

public:
    explicit SplitterBar(QWidget* parent = nullptr);

Q_SIGNALS:
    void Pressed(Qt::MouseButton button, QPoint position);
    void Moved(QPoint position);
    void Released(Qt::MouseButton button, QPoint position);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

} // namespace ze6
