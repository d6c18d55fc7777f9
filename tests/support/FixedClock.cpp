#include "support/FixedClock.h"

#include "support/ScriptedPrompt.h"

namespace ze6::test {

FixedClock::FixedClock(TestComponents& components, QDateTime now) : m_components(components), m_now(std::move(now))
{
    m_components.clock = this;
}

FixedClock::~FixedClock()
{
    m_components.clock = nullptr;
}

} // namespace ze6::test
