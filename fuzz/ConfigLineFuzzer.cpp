// Configuration-file bytes split into lines: nothing is lost or invented, only
// the line ends (CR LF, a lone CR or a lone LF) go.
#include "engine/ConfigLineReader.h"

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::istringstream input(bytes);
    ze6::modDAZadaro::ConfigLineReader reader(input);
    std::string line;
    std::size_t kept = 0;
    std::size_t lines = 0;
    while (reader.Next(line)) {
        if (line.find_first_of("\r\n") != std::string::npos)
            std::abort();
        kept += line.size();
        ++lines;
    }
    std::size_t endBytes = 0;
    std::size_t ends = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' || bytes[i] == '\n') {
            ++endBytes;
            ends += (bytes[i] == '\n' && i > 0 && bytes[i - 1] == '\r') ? 0 : 1;
        }
    }
    if (kept + endBytes != bytes.size() || lines > ends + 1)
        std::abort();
    return 0;
}
