#pragma once

#include <QDateTime>
#include <string>
#include <vector>

namespace ze6::modDAZadaro {

// Backs up one data file: one new timestamped archive with every companion
// that exists, then pruning when KeepLastCount is above 0. Errors go to the log.
void ArchiveApplication(std::string sourceFolder, std::string targetFolder, std::string fileName);

// Fills ArchiveFileList with what an archive of the data file holds now: the
// data file and every companion that exists, opened and named through the
// data-file reader. Returns the data file's bare name as found on disk.
// Raises RuntimeError.
std::string CollectArchiveFiles(const std::string& dataFilePath);

// Appends a path to ArchiveFileList when it exists and is not there yet (any case).
void AddArchiveFile(const std::string& path);

// "_yyyy-mm-dd-hh-mm-ss": the part of an archive name that tells its time.
std::string ArchiveTimestamp(const QDateTime& now);

// The files of the archive being made (left filled until the next call).
std::vector<std::string>& ArchiveFileList();

} // namespace ze6::modDAZadaro
