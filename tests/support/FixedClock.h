#pragma once

#include "platform/process/Clock.h"

namespace ze6::test {

// Sets "now" for the object's lifetime; Advance moves it on, and so does
// waiting for the next second.
class FixedClock {
public:
    explicit FixedClock(QDateTime now);
    ~FixedClock();
    FixedClock(const FixedClock&) = delete;
    FixedClock& operator=(const FixedClock&) = delete;
    void Set(QDateTime now) { m_now = std::move(now); }
    void AdvanceSeconds(int seconds) { m_now = m_now.addSecs(seconds); }

private:
    QDateTime m_now;
};

} // namespace ze6::test
