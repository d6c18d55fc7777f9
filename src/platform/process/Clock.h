#pragma once

#include <QDateTime>
#include <chrono>
#include <cstdint>
#include <time.h>

namespace ze6 {

// The source of "now" for archive names. A run is given one with its
// components; tests hand it a fixed clock that moves only when they say.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime Now() = 0;
    // Now, as milliseconds since the epoch: what a record of a time keeps,
    // which a clock can tell without the local time zone.
    virtual std::int64_t NowMs() { return Now().toMSecsSinceEpoch(); }
    // Returns once the clock has moved on to its next whole second.
    virtual void WaitForNextSecond() = 0;
};

// The system's clock.
Clock& SystemClock();

// Milliseconds from a fixed point, to the few milliseconds of the system's
// tick, and cheaper to ask than any finer clock: for loops of thousands that
// only need to know when a while has passed. Inline, as such loops ask it
// once or twice a turn.
inline std::int64_t CoarseMonotonicMs()
{
#ifdef CLOCK_MONOTONIC_COARSE
    timespec now{};
    if (::clock_gettime(CLOCK_MONOTONIC_COARSE, &now) == 0)
        return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
#endif
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace ze6
