#pragma once

#include <cstdint>
#include <string>

namespace ze6::modDAZadaro {

// Number of newest archives to keep per data file for the job that runs now;
// 0 keeps everything. Set by every job line that parses.
std::int32_t& KeepLastCount();

// Parses one job line, lists its data files and archives each of them.
// Syntax errors show the usage text; run-time errors go to the log.
void ProcessCommandLine(std::string jobLine);

} // namespace ze6::modDAZadaro
