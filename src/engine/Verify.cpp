#include "engine/Verify.h"

#include "engine/ErrorHandler.h"
#include "engine/PathOperations.h"
#include "engine/Pruning.h"
#include "engine/RemoteTarget.h"
#include "engine/RestorePlan.h"
#include "engine/RunProgress.h"
#include "platform/Components.h"
#include "platform/RuntimeError.h"
#include "platform/archive/ArchiveReader.h"
#include "platform/files/FileStatus.h"
#include "platform/files/FileSystem.h"
#include "platform/files/FolderIndex.h"
#include "platform/process/Console.h"

#include <algorithm>

namespace ze6::modDAZadaro {

namespace {

constexpr const char* kProcName = "VerifyArchives";

void ReportMissing(const std::string& path)
{
    ReportError(kProcName, DescribeErrorNumber(ErrorNumber::FileNotFound) + ": " + path, ErrorNumber::FileNotFound,
                kProgramErrorSource);
}

// The reason part of an error description that ends in ": <path>".
std::string ReasonAbout(const std::string& description, const std::string& path)
{
    const std::string tail = ": " + path;
    if (description.size() > tail.size() && description.ends_with(tail))
        return description.substr(0, description.size() - tail.size());
    return description;
}

} // namespace

std::vector<std::string> ArchivesInFolder(const std::string& folder)
{
    const std::string where = WithTrailingSeparator(FileSystem::ResolvePath(folder).value_or(folder));
    std::vector<std::string> paths;
    for (const auto& name : SortFileList(FileSystem::ListFiles(where + "*.RZZ"), CompareMode::Text))
        paths.push_back(where + name);
    return paths;
}

namespace {

// What is wrong with the archive at `path`, logged under the name the user
// knows it by; empty when it is sound.
std::string CheckArchive(const std::string& path, const std::string& shownAs)
{
    std::string failure;
    RunOutcome logged;
    RunWithErrorHandler(logged, kProcName, [&] {
        try {
            if (const auto link = FileSystem::UntrustedLinkOnPath(path))
                Raise(ErrorNumber::PermissionDenied, kProgramErrorSource, *link);
            ArchiveReader reader(path);
            reader.CheckEntries();
            // Sound means restorable: a name a restore refuses is damage too.
            CheckEntryNames(reader.Entries(), path);
            CreatedFilesOf(reader);
        } catch (const RuntimeError& error) {
            failure = ReasonAbout(error.Description(), path);
            if (shownAs == path)
                throw;
            throw RuntimeError(error.Number(), failure + ": " + shownAs, error.Source());
        } catch (const std::exception&) {
            failure = "The archive cannot be checked";
            throw;
        }
    });
    return failure;
}

int ReportResult(const VerifyResult& result)
{
    for (const auto& damaged : result.damaged)
        WriteErrorLine(damaged.path + ": " + damaged.reason);
    if (StandardOutputIsTerminal())
        WriteOutputLine(
            std::to_string(result.checked) + (result.checked == 1 ? " archive" : " archives") + " checked, " +
            (result.damaged.empty() ? "all sound" : std::to_string(result.damaged.size()) + " damaged") + ".");
    return result.damaged.empty() ? 0 : 1;
}

int VerifyRemote(const std::string& path)
{
    try {
        const VerifyResult result = VerifyRemoteArchives(path);
        if (result.checked == 0) {
            ReportMissing(path + (path.ends_with('/') ? "" : "/") + "*.RZZ");
            return 1;
        }
        return ReportResult(result);
    } catch (const RuntimeError& error) {
        ReportError(kProcName, error.Description(), error.Number(), error.Source());
        return 1;
    }
}

} // namespace

VerifyResult VerifyRemoteArchives(const std::string& path)
{
    RemoteTargets remote(GetComponents());
    const std::vector<RemoteArchive> archives = RemoteArchivesOf(remote, path);
    VerifyResult result;
    for (const auto& archive : archives) {
        ++result.checked;
        std::string local;
        try {
            local = FetchRemoteArchive(remote, archive);
        } catch (const RuntimeError& error) {
            // Not known to be damaged, but not known to be sound either: it counts as not sound.
            ReportError(kProcName, error.Description(), error.Number(), error.Source());
            result.damaged.push_back({archive.Shown(), error.Description()});
            continue;
        }
        if (std::string failure = CheckArchive(local, archive.Shown()); !failure.empty())
            result.damaged.push_back({archive.Shown(), std::move(failure)});
        try {
            FileSystem::DeleteFile(local);
        } catch (const RuntimeError&) {
            // The staging folder goes when the check ends.
        }
    }
    return result;
}

VerifyResult VerifyArchiveFiles(const std::vector<std::string>& archives)
{
    const FolderIndex::Scope lookups; // thousands of archives of one folder: one listing
    VerifyResult result;
    for (const auto& path : archives) {
        ++result.checked;
        if (std::string failure = CheckArchive(path, path); !failure.empty())
            result.damaged.push_back({path, std::move(failure)});
    }
    return result;
}

int VerifyCommand(const std::vector<std::string>& operands)
{
    const std::string& path = operands.front();
    if (IsRemoteTarget(path))
        return VerifyRemote(path);
    // Root never lists an archive through a link another user may have planted.
    for (const auto& spelling : {std::optional<std::string>(path), FileSystem::ResolvePath(path)}) {
        const auto link = spelling ? FileSystem::UntrustedLinkOnPath(*spelling) : std::nullopt;
        if (link) {
            ReportError(kProcName, DescribeErrorNumber(ErrorNumber::PermissionDenied) + ": " + *link,
                        ErrorNumber::PermissionDenied, kProgramErrorSource);
            return 1;
        }
    }
    const auto found = FileSystem::ResolvePath(path);
    const auto status = found ? StatusOf(*found) : std::nullopt;
    if (!status) {
        ReportMissing(path);
        return 1;
    }
    std::vector<std::string> archives{*found};
    if (status->folder) {
        try {
            archives = ArchivesInFolder(*found);
        } catch (const RuntimeError& error) {
            ReportError(kProcName, error.About(*found, error.Source()).Description(), error.Number(), error.Source());
            return 1;
        }
        if (archives.empty()) {
            ReportMissing(WithTrailingSeparator(*found) + "*.RZZ");
            return 1;
        }
    }

    return ReportResult(VerifyArchiveFiles(archives));
}

} // namespace ze6::modDAZadaro
