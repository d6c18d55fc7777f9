#include "platform/process/Console.h"

#include <cstdio>
#include <unistd.h>

namespace ze6 {

namespace {

void WriteLine(std::FILE* stream, const std::string& line)
{
    std::fwrite(line.data(), 1, line.size(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

} // namespace

bool StandardOutputIsTerminal()
{
    return ::isatty(STDOUT_FILENO) == 1;
}

void WriteErrorLine(const std::string& line)
{
    WriteLine(stderr, line);
}

void WriteOutputLine(const std::string& line)
{
    WriteLine(stdout, line);
}

} // namespace ze6
