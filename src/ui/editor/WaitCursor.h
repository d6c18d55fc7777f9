#pragma once

#include <QCursor>
#include <QGuiApplication>

namespace ze6 {

// The wait cursor for as long as the object lives, also when a step throws.
class WaitCursor final {
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace ze6
