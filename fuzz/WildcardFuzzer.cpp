// A pattern and a name, split at the first NUL byte. A pattern always matches
// itself when it holds no wildcard, and "*" matches every name.
#include "platform/files/WildcardPattern.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    const auto split = input.find('\0');
    const std::string pattern = input.substr(0, split);
    const std::string name = split == std::string::npos ? pattern : input.substr(split + 1);
    (void)ze6::WildcardPattern(pattern).Matches(name);
    if (pattern.find_first_of("*?") == std::string::npos && !ze6::WildcardPattern(pattern).Matches(pattern))
        std::abort();
    if (!ze6::WildcardPattern("*").Matches(name))
        std::abort();
    return 0;
}
