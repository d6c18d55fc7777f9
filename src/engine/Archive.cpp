#include "engine/Archive.h"

#include "engine/ErrorHandler.h"
#include "engine/JobLine.h"
#include "engine/PathOperations.h"
#include "engine/Pruning.h"
#include "engine/TargetFolderListings.h"
#include "engine/WrittenArchives.h"
#include "platform/Clock.h"
#include "platform/Components.h"
#include "platform/FileSystem.h"
#include "platform/MountedVolumes.h"
#include "platform/RuntimeError.h"

#include <QDateTime>
#include <QString>
#include <unordered_set>

namespace ze6::modDAZadaro {

namespace {

// Folded names of ArchiveFileList, so a data file with thousands of numbered
// companions is not compared entry by entry for every offer.
std::unordered_set<std::string>& ListedKeys()
{
    static std::unordered_set<std::string> keys;
    return keys;
}

void ClearArchiveFileList()
{
    ArchiveFileList().clear();
    ListedKeys().clear();
}

// The companions that carry the generation suffix, in the order they are offered.
constexpr const char* kSuffixedCompanions[] = {".rzt", ".rzd", ".rzi", ".rza", ".rzn", ".ktm", ".rzm", ".rzl"};

// A clock that does not move on (or is set back meanwhile) ends the wait,
// and the writer then reports the name as taken.
constexpr int kMostSecondsWaited = 3;

// A folder as spelled on disk, ending in one separator; unchanged when it
// cannot be found.
std::string FolderAsFound(const std::string& folder)
{
    std::string bare = folder;
    while (bare.size() > 1 && bare.back() == FileSystem::kSeparator)
        bare.pop_back();
    const auto found = FileSystem::ResolvePath(bare);
    return WithTrailingSeparator(found ? *found : folder);
}

} // namespace

std::vector<std::string>& ArchiveFileList()
{
    static std::vector<std::string> list;
    return list;
}

std::string ArchiveTimestamp(const QDateTime& now)
{
    return now.toString(QStringLiteral("_yyyy-MM-dd-HH-mm-ss")).toStdString();
}

void AddArchiveFile(const std::string& path)
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
        ReportError("ArchiveApplication", refused.Description(), refused.Number(), refused.Source());
        return;
    }
    // A FIFO, socket or device named like a companion is none; reading it
    // could block the run for ever.
    if (!FileSystem::IsFileOrFolder(*found))
        return;

    auto& list = ArchiveFileList();
    auto& keys = ListedKeys();
    if (keys.size() != list.size()) {
        keys.clear();
        for (const auto& entry : list)
            keys.insert(FileSystem::FoldCase(entry));
    }
    if (!keys.insert(FileSystem::FoldCase(*found)).second)
        return;
    list.push_back(*found);
}

void ArchiveApplication(std::string sourceFolder, std::string targetFolder, std::string fileName)
{
    RunWithErrorHandler("ArchiveApplication", [&] {
        ClearArchiveFileList();

        auto info = GetComponents().CreateApplicationInfo();
        info->Open(sourceFolder + fileName);

        // An unplugged backup drive: nothing may go to the system disk in its place.
        if (MountedVolumes::WouldWriteToAbsentVolume(targetFolder))
            Raise(ErrorNumber::PathNotFound, kProgramErrorSource, targetFolder);
        if (!FileExists(targetFolder))
            CreateFolderPath(WithTrailingSeparator(targetFolder));
        targetFolder = FolderAsFound(WithTrailingSeparator(targetFolder));

        const std::string fullName = info->FullName();
        const std::string folder = info->Folder();
        const std::string bareName = fullName.substr(std::min(folder.size(), fullName.size()));
        const std::string stem = targetFolder + ChangeFileExtension(bareName, "");
        std::string archivePath = stem + ArchiveTimestamp(CurrentLocalTime()) + ".RZZ";
        // ABC.RZT and ABC.RZT6 share one series: the second of them, backed up
        // within the same second, finds its name taken by the first.
        for (int waited = 0; waited < kMostSecondsWaited && WrittenByThisProcess(archivePath); ++waited) {
            WaitForNextSecond();
            archivePath = stem + ArchiveTimestamp(CurrentLocalTime()) + ".RZZ";
        }

        const std::string suffix = !fullName.empty() && fullName.back() == '6' ? "6" : "";
        const std::string numberedPrefix = suffix.empty() ? "" : ".KTM6";

        // The data file itself goes in under its own spelling, also when a
        // name that differs only in case lies beside it.
        for (const char* extension : kSuffixedCompanions) {
            const std::string offer = ChangeFileExtension(fullName, extension + suffix);
            AddArchiveFile(FileSystem::EqualIgnoringCase(offer, fullName) ? fullName : offer);
        }
        AddArchiveFile(ChangeFileExtension(fullName, ".rzx6"));
        AddArchiveFile(ChangeFileExtension(fullName, ".rzx"));

        const std::string attached = info->AttachedFile();
        if (!attached.empty())
            AddArchiveFile(attached);

        info->LoadLists();
        for (const auto& companion : info->NumberedCompanions())
            AddArchiveFile(ChangeFileExtension(fullName, numberedPrefix + ".V" + std::to_string(companion.Number)));
        for (const auto& linked : info->LinkedSets()) {
            if (!linked.BasePath.empty()) {
                AddArchiveFile(linked.BasePath + ".hbt");
                AddArchiveFile(linked.BasePath + ".hbd");
                AddArchiveFile(linked.BasePath + ".hbi");
            }
            if (!linked.LinkedFile.empty())
                AddArchiveFile(linked.LinkedFile);
        }
        info->Close();
        info.reset();

        RemoveAbandonedTemporaries(archivePath, targetFolder);
        {
            auto writer = GetComponents().CreateArchiveWriter();
            writer->SetArchiveName(archivePath);
            for (const auto& path : ArchiveFileList())
                writer->AddFile(path);
            writer->Finish();
        }
        RememberWrittenArchive(archivePath);
        FileSystem::InvalidateCache(targetFolder);
        if (auto* listings = TargetFolderListings::Current())
            listings->ArchiveAdded(targetFolder, archivePath.substr(targetFolder.size()));

        if (KeepLastCount() > 0)
            PruneArchives(archivePath, targetFolder, KeepLastCount());
    });
}

} // namespace ze6::modDAZadaro
