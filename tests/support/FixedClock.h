#pragma once

#include "platform/process/Clock.h"
#include "support/ScriptedPrompt.h"

namespace ze6::test {

// A clock that says what the test set; Advance moves it on, and so does
// waiting for the next second. Given to `components` for its lifetime.
class FixedClock final : public Clock {
public:
    FixedClock(TestComponents& components, QDateTime now) : m_components(components), m_now(std::move(now))
    {
        m_components.clock = this;
    }
    ~FixedClock() override { m_components.clock = nullptr; }
    FixedClock(const FixedClock&) = delete;
    FixedClock& operator=(const FixedClock&) = delete;

    QDateTime Now() override { return m_now; }
    void WaitForNextSecond() override { AdvanceSeconds(1); }
    void Set(QDateTime now) { m_now = std::move(now); }
    void AdvanceSeconds(int seconds) { m_now = m_now.addSecs(seconds); }

private:
    TestComponents& m_components;
    QDateTime m_now;
};

} // namespace ze6::test
