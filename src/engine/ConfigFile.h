#pragma once

#include "engine/RunProgress.h"

#include <istream>
#include <string>

namespace ze6::modDAZadaro {

// Reads configuration-file lines as bytes: CR LF, a lone CR and a lone LF each
// end a line, so files from any editor run every job; the last line may lack
// its end.
class ConfigLineReader {
public:
    explicit ConfigLineReader(std::istream& input) : m_input(input) {}
    bool Next(std::string& line); // false at the end of the input; raises RuntimeError on a read error

private:
    std::istream& m_input;
};

class ProgressSink;
class RunContext;

// Runs every non-blank line of a configuration file, in order, as jobs of the run.
void ProcessFile(RunContext& run, std::string path);

// A configuration file as a run of its own; returns what it did.
RunOutcome ProcessFile(std::string path, ProgressSink* progress = nullptr);

} // namespace ze6::modDAZadaro
