// A job line as a configuration file or the command line gives it: parsed,
// its source classified and its KEEPLAST number read. Only Overflow may be raised.
#include "engine/JobLineParser.h"
#include "engine/LeadingNumber.h"
#include "platform/RuntimeError.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace ze6::modDAZadaro;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto parsed = ParseJobLine(text);
    if (const auto* parts = std::get_if<JobLineParts>(&parsed)) {
        ClassifySource(parts->Source);
        try {
            if (KeepLastFromOptions(parts->Options) < 0)
                std::abort();
        } catch (const ze6::RuntimeError& error) {
            if (error.Number() != 6)
                std::abort();
        }
    }
    (void)ReadLeadingNumber(text);
    return 0;
}
