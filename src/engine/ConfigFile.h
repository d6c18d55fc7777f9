#pragma once

#include "engine/RunProgress.h"

#include <string>

namespace ze6::modDAZadaro {

class ProgressSink;
class RunContext;

// Runs every non-blank line of a configuration file, in order, as jobs of the run.
void ProcessFile(RunContext& run, std::string path);

// A configuration file as a run of its own; returns what it did.
RunOutcome ProcessFile(std::string path, ProgressSink* progress = nullptr);

} // namespace ze6::modDAZadaro
