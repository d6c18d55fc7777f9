#include "platform/process/Clock.h"

#include <chrono>
#include <thread>

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

} // namespace ze6
