#pragma once

#include <QDateTime>
#include <functional>

namespace ze6 {

// The one source of "now" for archive names; tests set a fixed clock.
QDateTime CurrentLocalTime();
void SetClockForTesting(std::function<QDateTime()> clock); // empty restores the system clock

} // namespace ze6
