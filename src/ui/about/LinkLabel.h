#pragma once

#include <QLabel>

namespace ze6 {

// A label that reports a click with the left mouse button, for the About
// box's web and mail links.
class LinkLabel final : public QLabel {
    Q_OBJECT

public:
    explicit LinkLabel(QWidget* parent = nullptr);

Q_SIGNALS:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

} // namespace ze6
