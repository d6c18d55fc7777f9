#pragma once

#include <QDateTime>

namespace ze6 {

// The source of "now" for archive names. A run is given one with its
// components; tests hand it a fixed clock that moves only when they say.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime Now() = 0;
    // Returns once the clock has moved on to its next whole second.
    virtual void WaitForNextSecond() = 0;
};

// The system's clock.
Clock& SystemClock();

} // namespace ze6
