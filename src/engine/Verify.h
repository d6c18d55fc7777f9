#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace ze6::modDAZadaro {

struct DamagedArchive {
    std::string path;
    std::string reason; // what is wrong, without the path

    bool operator==(const DamagedArchive&) const = default;
};

struct VerifyResult {
    std::size_t checked = 0;
    std::vector<DamagedArchive> damaged;
};

// The archives ("*.RZZ" in any letter case) directly in a folder, as full
// paths sorted by name. Raises RuntimeError when the folder cannot be read.
std::vector<std::string> ArchivesInFolder(const std::string& folder);

// Checks each archive: it must open as a ZIP archive with a consistent
// directory, every entry must inflate to its recorded length and CRC-32, and
// a restore must accept every entry's name. Run by root, an archive reached
// through a link that another user may have planted counts as damaged.
// Each damaged archive gets one log entry under VerifyArchives.
VerifyResult VerifyArchiveFiles(const std::vector<std::string>& archives);

// The same for the archives an "rclone:" path names (one archive, or those of
// a folder): each is downloaded into the staging folder, checked there and
// dropped before the next, so a folder of large archives needs the room of
// one. One that cannot be downloaded counts as damaged, with rclone's reason.
// Raises RuntimeError when the remote cannot be listed.
VerifyResult VerifyRemoteArchives(const std::string& path);

// The command "/VERIFY <archive-or-folder>": checks one archive, or every
// archive directly in a folder, and writes one line "<path>: <reason>" per
// damaged archive to standard error. A path that does not exist, or a folder
// without archives, is logged as 53. Returns 0 when every archive is sound.
int VerifyCommand(const std::vector<std::string>& operands);

} // namespace ze6::modDAZadaro
