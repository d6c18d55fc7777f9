#pragma once

#include <string>

namespace ze6::MountedVolumes {

// While a backup drive is unplugged, its mount folder is an empty folder on
// the system disk, or is not there at all: archives written there would fill
// the system disk and vanish from sight when the drive comes back. True when
// writing into `target` would do that: creating it would create a volume's
// mount folder (/media/<name>, /media/<user>/<name> or
// /run/media/<user>/<name>, where the user's folder is not a mount point
// itself), or it lies in or below a mount point that the file-system table
// lists and that is not mounted.
bool WouldWriteToAbsentVolume(const std::string& target);

} // namespace ze6::MountedVolumes
