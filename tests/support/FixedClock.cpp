#include "support/FixedClock.h"

namespace ze6::test {

FixedClock::FixedClock(QDateTime now) : m_now(std::move(now))
{
    SetClockForTesting([this] { return m_now; }, [this] { AdvanceSeconds(1); });
}

FixedClock::~FixedClock()
{
    SetClockForTesting({});
}

} // namespace ze6::test
