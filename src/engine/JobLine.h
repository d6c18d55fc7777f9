#pragma once

#include "engine/Job.h"
#include "engine/RunProgress.h"

#include <string>
#include <vector>

namespace ze6::modDAZadaro {

class ProgressSink;
class RunContext;

// Parses one job line, lists its data files and archives each of them, as one
// job of the run. Syntax errors show the usage text; run-time errors go to the log.
void ProcessCommandLine(RunContext& run, std::string jobLine);
// The same, with the job's last data files maybe still under way on return,
// so that they overlap the next job's; Finish or CommitArchives waits for them.
void RunJobLine(RunContext& run, std::string jobLine);

// One job of the run, as a job line that parsed is run; recorded under
// GetCommandLine(job), or under `recordedAs`.
void RunJob(RunContext& run, const Job& job);
void RunJob(RunContext& run, const Job& job, const std::string& recordedAs);

// One job line as a run of its own; returns what it did.
RunOutcome ProcessCommandLine(std::string jobLine, ProgressSink* progress = nullptr);

// Every job in order as one run (the window's Execute), each trimmed as a
// job line is and recorded under the line the window saves for it; stops at
// the next data file once the run is cancelled.
RunOutcome ProcessJobs(RunContext& run, const std::vector<Job>& jobs);

} // namespace ze6::modDAZadaro
