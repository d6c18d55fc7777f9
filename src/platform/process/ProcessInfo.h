#pragma once

#include <string>
#include <vector>

namespace ze6 {

// Rebuilds the raw command text (with its double quotes) from the arguments a
// shell has split: none gives "", one is taken as it stands, two or more get
// the first two quoted when neither holds a quote, then all joined by blanks.
std::string RebuildCommandText(const std::vector<std::string>& arguments);

// Records argc/argv once at start-up (QApplication needs them later).
void SetProcessArguments(int argc, char** argv);
int& ProcessArgc();
char** ProcessArgv();

// The executable's file name without folder and extension ("ZE6Vivevu").
std::string ExecutableName();

// True when the main window can try to start: DISPLAY, WAYLAND_DISPLAY or
// QT_QPA_PLATFORM is set.
bool DisplayAvailable();

// For a process that has no window (command mode): the toolkit platform on
// which a message box really reaches a person, found by opening a connection
// to its display once; "" when there is none. A DISPLAY or WAYLAND_DISPLAY
// that points nowhere is none, and so are offscreen and minimal.
std::string VisibleDisplayPlatform();

// True when standard error is a terminal a person watches: a TERM other than
// "dumb". Under cron, a timer or a pipe it is not.
bool StandardErrorIsTerminal();

// Command mode is silent: the toolkit's warnings are dropped, not printed.
void SilenceToolkitMessages();

// The user's home folder, ending in a separator.
std::string HomeFolder();

// Whether a scheduler started this run: a systemd unit (which sets
// INVOCATION_ID for every process it starts), or cron a few parents up.
bool StartedByScheduler();

} // namespace ze6
