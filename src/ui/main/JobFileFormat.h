#pragma once

#include "ui/main/JobRow.h"

#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The configuration file as the main window writes and reads it. The window
// writes one canonical line per job and accepts only lines of that shape; the
// command-line runner is more lenient (it trims lines and finds "KEEPLAST:"
// anywhere after the target), so a file the window saved always runs exactly
// the jobs it showed.
namespace ze6 {

// One job as a file line: quoted source and target, then "KEEPLAST:" and the
// cell as it stands (no trimming), ending in CR LF.
std::string FormatJobLine(const JobRow& row);

// The whole file: every job line in list order, nothing else.
std::string FormatJobFile(const std::vector<JobRow>& rows);

// The job a file line holds, or nothing when the window does not accept it:
// a line must start with the source's opening quote, have both paths closed by
// quotes, and a keep-last value must directly follow the target ("KEEPLAST:"
// in any case) and fit a signed 32-bit number. Anything else after the target
// leaves the keep-last cell empty.
std::optional<JobRow> ParseJobLine(std::string_view line);

// Every accepted job of a configuration file, in file order. CR LF or a lone
// CR ends a line; a lone LF stays part of it. Raises RuntimeError on a read error.
std::vector<JobRow> ParseJobFile(std::istream& input);

} // namespace ze6
