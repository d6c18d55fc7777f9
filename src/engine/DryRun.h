#pragma once

#include "engine/Job.h"

#include <string>
#include <vector>

namespace ze6::modDAZadaro {

class RunContext;

// What a run would do, worked out without changing anything: no archive
// written, none deleted, no log entry, no run record.
struct PlannedArchive {
    std::string path;
    bool keep = true;
    std::string rules; // the rules that keep it, "last,daily,weekly,monthly,yearly" or fewer

    bool operator==(const PlannedArchive&) const = default;
};

struct PlannedDataFile {
    std::string dataFile;
    bool writesArchive = true;            // false: IFCHANGED and the data file matches its newest archive
    std::vector<PlannedArchive> archives; // the existing archives of its series, oldest first

    bool operator==(const PlannedDataFile&) const = default;
};

// Something a run would log.
struct PlanProblem {
    std::string path;
    std::string reason;

    bool operator==(const PlanProblem&) const = default;
};

struct DryRunListing {
    std::vector<PlannedDataFile> dataFiles; // in job order
    std::vector<PlanProblem> problems;
    int linesRejected = 0; // job lines shown the usage text
};

// Adds what one job would do, each archive counted as the run would count it.
void PlanJob(RunContext& run, const Job& job, DryRunListing& listing);

// The listing of jobs run in order as one run (the window's Dry Run).
DryRunListing PlanJobs(const std::vector<Job>& jobs);

// The listing as lines ending in \n: per data file "archive<TAB>path" or
// "unchanged<TAB>path", then per existing archive "keep<TAB>path<TAB>rules"
// or "delete<TAB>path".
std::string DryRunText(const DryRunListing& listing);

// "/DRYRUN <job line words>|<file>.RZB": prints the listing, each problem to
// standard error as "<path>: <reason>". Returns 2 when a job line was
// rejected, 1 when a run would log something, 0 otherwise.
int DryRunCommand(const std::vector<std::string>& operands);

} // namespace ze6::modDAZadaro
