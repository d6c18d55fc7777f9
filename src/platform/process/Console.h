#pragma once

#include <string>

namespace ze6 {

// True when standard output goes to a terminal, where a person reads it (not
// to cron's mail or a pipe).
bool StandardOutputIsTerminal();

// One line on standard error or standard output, flushed at once.
void WriteErrorLine(const std::string& line);
void WriteOutputLine(const std::string& line);

} // namespace ze6
