#pragma once

#include "platform/Components.h"

#include <string>

// The open and save dialogs for configuration files, each created for one use
// from the components factory.
namespace ze6 {

// A filter is "description\0patterns\0\0", patterns separated by ";". Each
// returns the chosen file's full path, or "" when the user cancels.
std::string ShowOpenDialog(WindowHandle owner, const std::string& initialLocation, const std::string& title,
                           const std::string& filter, bool fileMustExist);
std::string ShowSaveDialog(WindowHandle owner, const std::string& initialLocation, const std::string& title,
                           const std::string& filter, bool confirmOverwrite);

} // namespace ze6
