#pragma once

#include <cstdint>

namespace ze6::test {

// Makes file permissions hold for this thread even when the tests run as
// root (as in containers), by dropping the capabilities that bypass them for
// the object's lifetime. Does nothing for an ordinary user.
class WithoutFileAccessOverride {
public:
    WithoutFileAccessOverride();
    ~WithoutFileAccessOverride();
    WithoutFileAccessOverride(const WithoutFileAccessOverride&) = delete;
    WithoutFileAccessOverride& operator=(const WithoutFileAccessOverride&) = delete;

    // False when permissions still cannot be enforced (the caller should skip).
    bool Active() const { return m_active; }

    // For a child about to run the program: drops the same capabilities from
    // its bounding set, so that running the program as root cannot give them
    // back. True when permissions hold in the program it runs.
    static bool DropForChild();

private:
    bool m_dropped = false;
    bool m_active = false;
    std::uint32_t m_savedEffective[2] = {0, 0};
};

} // namespace ze6::test
