// Placeholders until the real data-file reader, archive writer, log component
// and file system land; each raises so nothing pretends to work.
#include "platform/FileSystem.h"
#include "platform/RealComponents.h"
#include "platform/RuntimeError.h"

namespace ze6 {

std::unique_ptr<ApplicationInfo> MakeDataFileInfo() { Raise(ErrorNumber::PathFileAccessError, "ApplicationInfo"); }
std::unique_ptr<ArchiveWriter> MakeZipArchiveWriter() { Raise(ErrorNumber::PathFileAccessError, "ArchiveWriter"); }
std::unique_ptr<LogComponent> MakeFileLogComponent() { Raise(ErrorNumber::PathFileAccessError, "LogComponent"); }

namespace FileSystem {
bool PathExists(const std::string&) { return false; }
std::optional<std::string> ResolvePath(const std::string&) { return std::nullopt; }
std::vector<std::string> ListFiles(const std::string&) { return {}; }
bool MatchesWildcard(const std::string&, const std::string&) { return false; }
std::string FoldCase(const std::string& text) { return text; }
bool EqualIgnoringCase(const std::string& a, const std::string& b) { return a == b; }
bool MakeSingleFolder(const std::string&) { return false; }
void DeleteFile(const std::string&) { Raise(ErrorNumber::PathFileAccessError, kProgramErrorSource); }
void InvalidateCache(const std::string&) {}
}  // namespace FileSystem

}  // namespace ze6
