#pragma once

#include <string>

namespace ze6 {

// The file the application log writes to (ZE6VIVEVU_LOG, or the state folder).
std::string LogFilePath();

} // namespace ze6
