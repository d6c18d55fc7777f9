#include "engine/Archive.h"

#include "engine/ErrorHandler.h"
#include "engine/PathOperations.h"
#include "engine/Pruning.h"
#include "engine/RunContext.h"
#include "platform/Clock.h"
#include "platform/Components.h"
#include "platform/RuntimeError.h"
#include "platform/files/FileSystem.h"
#include "platform/files/MountedVolumes.h"
#include "platform/files/PathText.h"

#include <QDateTime>
#include <QString>

namespace ze6::modDAZadaro {

namespace {

// The companions that carry the generation suffix, in the order they are offered.
constexpr const char* kSuffixedCompanions[] = {".rzt", ".rzd", ".rzi", ".rza", ".rzn", ".ktm", ".rzm", ".rzl"};

// A clock that does not move on (or is set back meanwhile) ends the wait,
// and the writer then reports the name as taken.
constexpr int kMostSecondsWaited = 3;

// A folder as spelled on disk, ending in one separator; unchanged when it
// cannot be found.
std::string FolderAsFound(const std::string& folder)
{
    const auto found = FileSystem::ResolvePath(FileSystem::WithoutTrailingSeparators(folder));
    return WithTrailingSeparator(found ? *found : folder);
}

} // namespace

std::string ArchiveTimestamp(const QDateTime& now)
{
    return now.toString(QStringLiteral("_yyyy-MM-dd-HH-mm-ss")).toStdString();
}

void AddArchiveFile(RunContext& run, const std::string& path)
{
    // A colon in fourth place marks a device name ("CON:", "NUL:"), never a file to archive.
    if (path.size() >= 4 && path[3] == ':')
        return;
    if (!FileExists(path))
        return;
    const auto found = FileSystem::ResolvePath(path);
    if (!found)
        return;
    if (FileSystem::IsUntrustedLink(*found)) {
        // Left out, but said: the archive lacks a file the user may expect in it.
        const RuntimeError refused(ErrorNumber::PermissionDenied, DescribeErrorNumber(ErrorNumber::PermissionDenied),
                                   kProgramErrorSource, *found);
        ReportError(run.Outcome, "ArchiveApplication", refused.Description(), refused.Number(), refused.Source());
        return;
    }
    // A FIFO, socket or device named like a companion is none; reading it
    // could block the run for ever.
    if (!FileSystem::IsFileOrFolder(*found))
        return;

    auto& list = run.ArchiveFileList;
    auto& keys = run.ArchiveFileKeys;
    if (keys.size() != list.size()) {
        keys.clear();
        for (const auto& entry : list)
            keys.insert(FileSystem::FoldCase(entry));
    }
    if (!keys.insert(FileSystem::FoldCase(*found)).second)
        return;
    list.push_back(*found);
}

std::string CollectArchiveFiles(RunContext& run, const std::string& dataFilePath)
{
    run.ArchiveFileList.clear();
    run.ArchiveFileKeys.clear();

    auto info = GetComponents().CreateApplicationInfo();
    info->Open(dataFilePath);
    const std::string fullName = info->FullName();
    const std::string folder = info->Folder();
    const std::string bareName = fullName.substr(std::min(folder.size(), fullName.size()));

    const std::string suffix = !fullName.empty() && fullName.back() == '6' ? "6" : "";
    const std::string numberedPrefix = suffix.empty() ? "" : ".KTM6";

    // The data file itself goes in under its own spelling, also when a
    // name that differs only in case lies beside it.
    for (const char* extension : kSuffixedCompanions) {
        const std::string offer = ChangeFileExtension(fullName, extension + suffix);
        AddArchiveFile(run, FileSystem::EqualIgnoringCase(offer, fullName) ? fullName : offer);
    }
    AddArchiveFile(run, ChangeFileExtension(fullName, ".rzx6"));
    AddArchiveFile(run, ChangeFileExtension(fullName, ".rzx"));

    const std::string attached = info->AttachedFile();
    if (!attached.empty())
        AddArchiveFile(run, attached);

    info->LoadLists();
    for (const auto& companion : info->NumberedCompanions())
        AddArchiveFile(run, ChangeFileExtension(fullName, numberedPrefix + ".V" + std::to_string(companion.Number)));
    for (const auto& linked : info->LinkedSets()) {
        if (!linked.BasePath.empty()) {
            AddArchiveFile(run, linked.BasePath + ".hbt");
            AddArchiveFile(run, linked.BasePath + ".hbd");
            AddArchiveFile(run, linked.BasePath + ".hbi");
        }
        if (!linked.LinkedFile.empty())
            AddArchiveFile(run, linked.LinkedFile);
    }
    info->Close();
    return bareName;
}

void ArchiveApplication(RunContext& run, std::string sourceFolder, std::string targetFolder, std::string fileName)
{
    bool started = false;
    bool written = false;
    RunWithErrorHandler(run.Outcome, "ArchiveApplication", [&] {
        const std::string bareName = CollectArchiveFiles(run, sourceFolder + fileName);

        // An unplugged backup drive: nothing may go to the system disk in its place.
        if (MountedVolumes::WouldWriteToAbsentVolume(targetFolder))
            Raise(ErrorNumber::PathNotFound, kProgramErrorSource, targetFolder);
        if (!FileExists(targetFolder))
            CreateFolderPath(WithTrailingSeparator(targetFolder));
        targetFolder = FolderAsFound(WithTrailingSeparator(targetFolder));

        const std::string stem = targetFolder + ChangeFileExtension(bareName, "");
        std::string archivePath = stem + ArchiveTimestamp(CurrentLocalTime()) + ".RZZ";
        // ABC.RZT and ABC.RZT6 share one series: the second of them, backed up
        // within the same second, finds its name taken by the first.
        for (int waited = 0; waited < kMostSecondsWaited && run.Written.Contains(archivePath); ++waited) {
            WaitForNextSecond();
            archivePath = stem + ArchiveTimestamp(CurrentLocalTime()) + ".RZZ";
        }

        RemoveAbandonedTemporaries(run, archivePath, targetFolder);
        std::uint64_t size = 0;
        for (const auto& path : run.ArchiveFileList) {
            if (const auto facts = FileSystem::EntryFactsOf(path))
                size += facts->size;
        }
        run.Progress().DataFileStarted(sourceFolder + fileName, size);
        started = true;
        try {
            auto writer = GetComponents().CreateArchiveWriter();
            writer->SetArchiveName(archivePath);
            for (const auto& path : run.ArchiveFileList)
                writer->AddFile(path);
            writer->SetBlockObserver([&run](std::uint64_t bytes) {
                run.Progress().BytesRead(bytes);
                return !run.CancelRequested();
            });
            writer->Finish();
        } catch (const RuntimeError& error) {
            // The writer has left nothing under the name; the run's one
            // entry says it was cancelled.
            if (error.Number() == ErrorNumber::UserInterrupt && run.CancelRequested())
                return;
            throw;
        }
        run.Written.Remember(archivePath);
        ++run.Outcome.ArchivesWritten;
        FileSystem::InvalidateCache(targetFolder);
        run.Listings.ArchiveAdded(targetFolder, archivePath.substr(targetFolder.size()));

        if (run.KeepLastCount > 0)
            PruneArchives(run, archivePath, targetFolder, run.KeepLastCount);
        written = true;
    });
    // A data file that failed before its archive was begun is still one of the run's.
    if (!started)
        run.Progress().DataFileStarted(sourceFolder + fileName, 0);
    run.Progress().DataFileFinished(written);
}

} // namespace ze6::modDAZadaro
