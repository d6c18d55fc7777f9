#include "engine/Archive.h"

#include "engine/ArchivePipeline.h"
#include "engine/ErrorHandler.h"
#include "engine/Job.h"
#include "engine/PathOperations.h"
#include "engine/RunContext.h"
#include "platform/Components.h"
#include "platform/RuntimeError.h"
#include "platform/datafile/DataFileCompanions.h"
#include "platform/files/FileSystem.h"

#include <QDateTime>
#include <QString>
#include <algorithm>
#include <optional>

namespace ze6::modDAZadaro {

std::string ArchiveTimestamp(const QDateTime& now)
{
    return now.toString(QStringLiteral("_yyyy-MM-dd-HH-mm-ss")).toStdString();
}

void AddArchiveFile(ArchiveFileList& files, const std::string& path, std::vector<RuntimeError>* held)
{
    // A colon in fourth place marks a device name ("CON:", "NUL:"), never a file to archive.
    if (path.size() >= 4 && path[3] == ':')
        return;
    // Resolving the name is the existence test: a missing companion is no
    // error, and what cannot be decided counts as missing.
    std::optional<std::string> found;
    try {
        found = FileSystem::ResolvePath(path);
    } catch (...) {
        return;
    }
    if (!found)
        return;
    // Left out, but said: the archive lacks a file the user may expect in it.
    const auto refuse = [&](std::int32_t number) {
        RuntimeError refused(number, DescribeErrorNumber(number), kProgramErrorSource, *found);
        if (held)
            held->push_back(std::move(refused));
        else
            ReportError("ArchiveApplication", refused.Description(), refused.Number(), refused.Source());
    };
    if (FileSystem::IsUntrustedLink(*found))
        return refuse(ErrorNumber::PermissionDenied);
    // A companion is a regular file. A folder named like one would become an
    // empty entry that restores nothing; a FIFO, socket or device could block
    // the run for ever when read.
    const auto size = FileSystem::RegularFileSize(*found);
    if (!size)
        return refuse(ErrorNumber::PathFileAccessError);

    if (files.Keys.size() != files.Paths.size()) {
        files.Keys.clear();
        for (const auto& entry : files.Paths)
            files.Keys.insert(FileSystem::FoldCase(entry));
    }
    if (!files.Keys.insert(FileSystem::FoldCase(*found)).second)
        return;
    files.Paths.push_back(*found);
    files.Bytes += *size;
}

ArchiveFileList CollectArchiveFiles(Components& services, const std::string& dataFilePath,
                                    std::vector<RuntimeError>* held)
{
    ArchiveFileList files;
    auto info = services.CreateApplicationInfo();
    info->Open(dataFilePath);
    const std::string fullName = info->FullName();
    const std::string folder = info->Folder();
    files.DataFileName = fullName.substr(std::min(folder.size(), fullName.size()));

    for (const auto& path : DataFileCompanions::NamedPaths(fullName, info->AttachedFile()))
        AddArchiveFile(files, path, held);
    info->LoadLists();
    for (const auto& path : DataFileCompanions::ListedPaths(fullName, info->NumberedCompanions(), info->LinkedSets()))
        AddArchiveFile(files, path, held);
    info->Close();
    return files;
}

void ArchiveApplication(RunContext& run, const std::string& sourceFolder, const std::string& targetFolder,
                        const std::string& fileName, const RetentionRules& retention)
{
    run.Pipeline().Add(sourceFolder, targetFolder, fileName, retention);
    run.CommitArchives();
}

void ArchiveDataFiles(RunContext& run, const std::string& sourceFolder, const std::string& targetFolder,
                      const std::vector<std::string>& fileNames, const RetentionRules& retention, bool ifChanged)
{
    for (const auto& name : fileNames) {
        if (run.CancelRequested())
            break;
        run.Pipeline().Add(sourceFolder, targetFolder, name, retention, ifChanged);
    }
}

} // namespace ze6::modDAZadaro
