#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

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
};

// Receives a run's progress, on the thread that runs it. The calls come in
// this order: RunStarted; per job DataFilesListed; per data file
// DataFileStarted, BytesRead any number of times, DataFileFinished; then
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
    virtual void RunFinished(const RunOutcome& /*outcome*/) {}
};

} // namespace ze6::modDAZadaro
