#include "platform/process/Clock.h"

#include <chrono>
#include <thread>

namespace ze6 {

namespace {
struct TestClock {
    std::function<QDateTime()> now;
    std::function<void()> waitForNextSecond;
};

TestClock& ClockOverride()
{
    static TestClock clock;
    return clock;
}
} // namespace

QDateTime CurrentLocalTime()
{
    if (ClockOverride().now)
        return ClockOverride().now();
    return QDateTime::currentDateTime();
}

void WaitForNextSecond()
{
    if (ClockOverride().now) {
        if (ClockOverride().waitForNextSecond)
            ClockOverride().waitForNextSecond();
        return;
    }
    const QDateTime start = QDateTime::currentDateTime();
    const qint64 second = start.toSecsSinceEpoch();
    std::this_thread::sleep_for(std::chrono::milliseconds(1000 - start.time().msec()));
    // Sleeping can end a little early; the caller builds the new name from the clock.
    while (QDateTime::currentDateTime().toSecsSinceEpoch() == second)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void SetClockForTesting(std::function<QDateTime()> clock, std::function<void()> waitForNextSecond)
{
    ClockOverride() = {std::move(clock), std::move(waitForNextSecond)};
}

} // namespace ze6
