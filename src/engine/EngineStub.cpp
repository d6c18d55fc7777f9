// Placeholders until the engine lands; the signatures are the contract the
// windows build against.
#include "engine/Archive.h"
#include "engine/ConfigFile.h"
#include "engine/DefaultFolders.h"
#include "engine/JobLine.h"
#include "engine/LeadingNumber.h"
#include "engine/Main.h"
#include "engine/PathOperations.h"
#include "engine/Pruning.h"
#include "engine/Usage.h"

namespace ze6::modDAZadaro {
bool FileExists(const std::string&) { return false; }
std::string GetFileExtension(const std::string&) { return {}; }
std::string GetFolderPart(const std::string&) { return {}; }
bool MakeFolder(const std::string&) { return false; }
bool CreateFolderPath(const std::string&) { return false; }
std::string ChangeFileExtension(const std::string& path, const std::string&) { return path; }
std::string BrowseFolder(WindowHandle, const std::string&) { return {}; }
std::string TrimBlanks(std::string_view text) { return std::string(text); }
std::string UpperCase(std::string_view text) { return std::string(text); }
std::string WithTrailingSeparator(std::string path) { return path; }
double ReadLeadingNumber(std::string_view) { return 0; }
std::int32_t RoundToInt32(double) { return 0; }
std::string UsageText(const std::string&) { return {}; }
void ShowUsage(std::string) {}
int RejectedJobLineCount() { return 0; }
std::int32_t& KeepLastCount() { static std::int32_t count = 0; return count; }
void ProcessCommandLine(std::string) {}
bool ConfigLineReader::Next(std::string&) { return false; }
void ProcessFile(std::string) {}
void ArchiveApplication(std::string, std::string, std::string) {}
void AddArchiveFile(const std::string&) {}
std::vector<std::string>& ArchiveFileList() { static std::vector<std::string> list; return list; }
std::vector<std::string> SortFileList(const std::vector<std::string>& list, CompareMode) { return list; }
void PruneArchives(const std::string&, const std::string&, std::int32_t) {}
std::string GetDefaultConfigFolder() { return {}; }
std::string GetDefaultSourceFolder() { return {}; }
int Main(const std::string& commandText, const std::function<int()>& showMainWindow)
{
    return commandText.empty() ? showMainWindow() : 0;
}
}  // namespace ze6::modDAZadaro
