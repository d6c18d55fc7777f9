#pragma once

#include <functional>
#include <string>
#include <vector>

namespace ze6::modDAZadaro {

class ProgressSink;

// Whether an extension (upper-cased, with its dot) names a configuration file.
bool IsConfigurationFileExtension(const std::string& upperExtension);
// A configuration file's path from the command text: at most one quote at
// each end goes, the trailing one first.
std::string WithoutOuterQuotes(std::string path);

// Dispatches the raw command text: empty shows the main window through
// showMainWindow (whose result is returned), "/?" or "/HELP" the usage text, a
// configuration-file name runs that file, anything else is one job line.
// Returns the process exit status: 0 clean, 1 when the log got an entry, 2 when
// a job line was rejected with the usage text. progress (may be nullptr)
// hears of the run.
int Main(const std::string& commandText, const std::function<int()>& showMainWindow, ProgressSink* progress = nullptr);

// The program's entry with the arguments as the shell split them: a switch in
// the first argument runs that switch; otherwise the raw command text is
// rebuilt and dispatched as above, and a command-mode run is recorded and, when
// it logged anything, announced on the desktop.
int Main(const std::vector<std::string>& arguments, const std::function<int()>& showMainWindow,
         ProgressSink* progress = nullptr);

} // namespace ze6::modDAZadaro
