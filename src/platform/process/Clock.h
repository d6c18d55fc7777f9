#pragma once

#include <QDateTime>
#include <functional>

namespace ze6 {

// The one source of "now" for archive names; tests set a fixed clock.
QDateTime CurrentLocalTime();
// Returns once the clock has moved on to its next whole second.
void WaitForNextSecond();
// Empty restores the system clock; a set clock moves on only when
// `waitForNextSecond` (if any) moves it.
void SetClockForTesting(std::function<QDateTime()> clock, std::function<void()> waitForNextSecond = {});

} // namespace ze6
