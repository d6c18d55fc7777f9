#include "platform/process/Clock.h"

#include <chrono>
#include <thread>
#include <time.h>

namespace ze6 {

namespace {
class LocalClock final : public Clock {
public:
    QDateTime Now() override { return QDateTime::currentDateTime(); }
    std::int64_t NowMs() override { return QDateTime::currentMSecsSinceEpoch(); }

    void WaitForNextSecond() override
    {
        const QDateTime start = QDateTime::currentDateTime();
        const qint64 second = start.toSecsSinceEpoch();
        std::this_thread::sleep_for(std::chrono::milliseconds(1000 - start.time().msec()));
        // Sleeping can end a little early; the caller builds the new name from the clock.
        while (QDateTime::currentDateTime().toSecsSinceEpoch() == second)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
};
} // namespace

Clock& SystemClock()
{
    static LocalClock clock;
    return clock;
}

std::int64_t CoarseMonotonicMs()
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
