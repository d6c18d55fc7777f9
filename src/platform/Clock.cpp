#include "platform/Clock.h"

namespace ze6 {

namespace {
std::function<QDateTime()>& ClockOverride()
{
    static std::function<QDateTime()> clock;
    return clock;
}
} // namespace

QDateTime CurrentLocalTime()
{
    if (ClockOverride())
        return ClockOverride()();
    return QDateTime::currentDateTime();
}

void SetClockForTesting(std::function<QDateTime()> clock)
{
    ClockOverride() = std::move(clock);
}

} // namespace ze6
