#pragma once

#include <string>

namespace ze6 {

// The file the application log is written to now: ZE6VIVEVU_LOG when set,
// otherwise ZE6Vivevu/ZE6Vivevu.log in the XDG state folder.
std::string ApplicationLogPath();

} // namespace ze6
