#include "engine/Archive.h"

#include "engine/ArchivePipeline.h"
#include "engine/ErrorHandler.h"
#include "engine/Job.h"
#include "engine/PathOperations.h"
#include "engine/RunContext.h"
#include "platform/Components.h"
#include "platform/RuntimeError.h"
#include "platform/files/FileSystem.h"

#include <QDateTime>
#include <QString>
#include <algorithm>

namespace ze6::modDAZadaro {

namespace {

// The companions that carry the generation suffix, in the order they are offered.
constexpr const char* kSuffixedCompanions[] = {".rzt", ".rzd", ".rzi", ".rza", ".rzn", ".ktm", ".rzm", ".rzl"};

} // namespace

std::string ArchiveTimestamp(const QDateTime& now)
{
    return now.toString(QStringLiteral("_yyyy-MM-dd-HH-mm-ss")).toStdString();
}

namespace {

// Refusals go to `held` when it is given, to the log otherwise.
void AddArchiveFile(RunContext& run, const std::string& path, std::vector<RuntimeError>* held)
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
        RuntimeError refused(ErrorNumber::PermissionDenied, DescribeErrorNumber(ErrorNumber::PermissionDenied),
                             kProgramErrorSource, *found);
        if (held)
            held->push_back(std::move(refused));
        else
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

} // namespace

void AddArchiveFile(RunContext& run, const std::string& path)
{
    AddArchiveFile(run, path, nullptr);
}

std::string CollectArchiveFiles(RunContext& run, const std::string& dataFilePath, std::vector<RuntimeError>* held)
{
    run.ArchiveFileList.clear();
    run.ArchiveFileKeys.clear();
    const auto add = [&](const std::string& path) { AddArchiveFile(run, path, held); };

    auto info = run.Services().CreateApplicationInfo();
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
        add(FileSystem::EqualIgnoringCase(offer, fullName) ? fullName : offer);
    }
    add(ChangeFileExtension(fullName, ".rzx6"));
    add(ChangeFileExtension(fullName, ".rzx"));

    const std::string attached = info->AttachedFile();
    if (!attached.empty())
        add(attached);

    info->LoadLists();
    for (const auto& companion : info->NumberedCompanions())
        add(ChangeFileExtension(fullName, numberedPrefix + ".V" + std::to_string(companion.Number)));
    for (const auto& linked : info->LinkedSets()) {
        if (!linked.BasePath.empty()) {
            add(linked.BasePath + ".hbt");
            add(linked.BasePath + ".hbd");
            add(linked.BasePath + ".hbi");
        }
        if (!linked.LinkedFile.empty())
            add(linked.LinkedFile);
    }
    info->Close();
    return bareName;
}

void ArchiveApplication(RunContext& run, std::string sourceFolder, std::string targetFolder, std::string fileName)
{
    run.Pipeline().Add(sourceFolder, targetFolder, fileName, RetentionRules{run.KeepLastCount});
    run.CommitArchives();
}

void ArchiveDataFiles(RunContext& run, const std::string& sourceFolder, const std::string& targetFolder,
                      const std::vector<std::string>& fileNames, const RetentionRules& rules, bool ifChanged)
{
    for (const auto& name : fileNames) {
        if (run.CancelRequested())
            break;
        run.Pipeline().Add(sourceFolder, targetFolder, name, rules, ifChanged);
    }
}

} // namespace ze6::modDAZadaro
