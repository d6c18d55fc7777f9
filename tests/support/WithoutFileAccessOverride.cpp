#include "support/WithoutFileAccessOverride.h"

#include <initializer_list>
#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace ze6::test {

namespace {

constexpr std::uint32_t kBypassCapabilities =
    (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER);

// capget or capset on this thread's capability sets.
bool Capabilities(long call, __user_cap_data_struct (&data)[2])
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return syscall(call, &header, data) == 0;
}

} // namespace

WithoutFileAccessOverride::WithoutFileAccessOverride()
{
    if (geteuid() != 0) {
        m_active = true;
        return;
    }
    __user_cap_data_struct data[2]{};
    if (!Capabilities(SYS_capget, data))
        return;
    m_savedEffective[0] = data[0].effective;
    m_savedEffective[1] = data[1].effective;
    data[0].effective &= ~kBypassCapabilities;
    m_dropped = Capabilities(SYS_capset, data);
    m_active = m_dropped;
}

WithoutFileAccessOverride::~WithoutFileAccessOverride()
{
    if (!m_dropped)
        return;
    __user_cap_data_struct data[2]{};
    if (!Capabilities(SYS_capget, data))
        return;
    data[0].effective = m_savedEffective[0];
    data[1].effective = m_savedEffective[1];
    Capabilities(SYS_capset, data);
}

bool WithoutFileAccessOverride::DropForChild()
{
    if (geteuid() != 0)
        return true;
    for (const int capability : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER}) {
        if (prctl(PR_CAPBSET_DROP, capability, 0, 0, 0) != 0)
            return false;
    }
    return true;
}

} // namespace ze6::test
