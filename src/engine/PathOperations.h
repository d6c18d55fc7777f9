#pragma once

#include "platform/Components.h"
#include "platform/files/PathText.h"

#include <string>
#include <string_view>

// Path and folder operations shared by the engine and the editor. Paths use
// the platform's separator; a folder handed on to be combined with a file name
// ends in exactly one separator. Letter case is ignored in every lookup.
namespace ze6::modDAZadaro {

// True for an existing folder as well as a file (any letter case): callers
// that need a file test the kind themselves.
bool FileExists(const std::string& path);
std::string GetFileExtension(const std::string& path);
std::string GetFolderPart(const std::string& path);
bool MakeFolder(const std::string& path);
bool CreateFolderPath(const std::string& path);
std::string ChangeFileExtension(const std::string& path, const std::string& extension); // may raise
std::string BrowseFolder(WindowHandle ownerWindow, const std::string& prompt);

// Small text helpers with the program's own rules.
std::string TrimBlanks(std::string_view text); // spaces (code 32) at both ends only
std::string UpperCase(std::string_view text);  // letter case folded the way names are compared
using FileSystem::WithTrailingSeparator;       // appends one separator when missing

} // namespace ze6::modDAZadaro
