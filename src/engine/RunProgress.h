#pragma once

#include "platform/state/JobRecords.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ze6::modDAZadaro {

// What one run did; the exit status and the window's closing box are made from it.
struct RunOutcome {
    int ArchivesWritten = 0;
    // Data files of IFCHANGED jobs that match their newest archive, so got none.
    int DataFilesUnchanged = 0;
    int EntriesLogged = 0;
    std::string FirstEntry; // as the log shows it ("ERROR: ..."), once EntriesLogged is above 0
    int LinesRejected = 0;
    bool Cancelled = false;
    std::uint64_t BytesWritten = 0; // the archives' sizes
    // Each job that ended, in order, with what it did of the counts above.
    JobRunList Jobs;
    // The first entry or rejection since the job under way began.
    std::string JobFirstEntry;
};

// Receives a run's progress, on the thread that runs it. The calls come in
// this order: RunStarted; per job DataFilesListed; per data file
// DataFileStarted, BytesRead any number of times, DataFileFinished; per job
// JobFinished; then
// RunFinished. A run of several jobs learns its number of data files job by
// job, so a display adds up the counts it is given.
class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    virtual void RunStarted() {}
    // count data files of `bytes` in all (the data files alone, without companions).
    virtual void DataFilesListed(std::size_t /*count*/, std::uint64_t /*bytes*/) {}
    // size: the bytes of every file that goes into its archive.
    virtual void DataFileStarted(const std::string& /*name*/, std::uint64_t /*size*/) {}
    virtual void BytesRead(std::uint64_t /*count*/) {}
    virtual void DataFileFinished(bool /*ok*/) {}
    // After the last DataFileFinished of a job (of each job line, rejected or
    // not): the job of `row` of `jobs` has ended.
    virtual void JobFinished(const JobRunList& /*jobs*/, std::size_t /*row*/) {}
    virtual void RunFinished(const RunOutcome& /*outcome*/) {}
};

} // namespace ze6::modDAZadaro
