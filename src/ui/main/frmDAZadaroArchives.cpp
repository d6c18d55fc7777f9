// Restore…, Verify and Dry Run: the main window's commands on the archives of its jobs.
#include "engine/DryRun.h"
#include "engine/Job.h"
#include "engine/PathOperations.h"
#include "engine/RemoteTarget.h"
#include "engine/Restore.h"
#include "engine/Verify.h"
#include "platform/Components.h"
#include "platform/Prompt.h"
#include "platform/RuntimeError.h"
#include "platform/files/FileSystem.h"
#include "ui/editor/WaitCursor.h"
#include "ui/main/DryRunDialog.h"
#include "ui/main/RestoreDialog.h"
#include "ui/main/frmDAZadaro.h"

#include <QAction>
#include <algorithm>
#include <unordered_set>

namespace ze6 {

namespace {

constexpr const char* kBoxTitle = "ZE6 Vivevu";
constexpr const char* kLineEnd = "\r\n";
// A summary box stays readable: longer lists end in "and N more".
constexpr std::size_t kLongestList = 15;

std::string NameOf(const std::string& path)
{
    return path.substr(modDAZadaro::GetFolderPart(path).size());
}

void Tell(const std::string& text, PromptIcon icon)
{
    GetComponents().GetPrompt().Ask({text, kBoxTitle, PromptButtons::Ok, icon});
}

template <typename T, typename Line> std::string ListOf(const std::vector<T>& items, Line line)
{
    std::string text;
    for (std::size_t i = 0; i < items.size() && i < kLongestList; ++i)
        text += kLineEnd + line(items[i]);
    if (items.size() > kLongestList)
        text += std::string(kLineEnd) + "and " + std::to_string(items.size() - kLongestList) + " more";
    return text;
}

std::vector<modDAZadaro::RestorePoint> RestorePointsOf(const modDAZadaro::Job& job)
{
    try {
        return modDAZadaro::ListRestorePoints(job.Source, job.Target);
    } catch (const RuntimeError&) {
        // A target folder that cannot be read offers nothing to restore.
        return {};
    }
}

// The distinct target folders of some jobs, as spelled on disk where they exist.
std::vector<std::string> TargetFolders(const std::vector<modDAZadaro::Job>& jobs)
{
    std::vector<std::string> folders;
    std::unordered_set<std::string> seen;
    for (const modDAZadaro::Job& job : jobs) {
        const std::string folder =
            modDAZadaro::WithTrailingSeparator(FileSystem::ResolvePath(job.Target).value_or(job.Target));
        if (seen.insert(FileSystem::FoldCase(folder)).second)
            folders.push_back(folder);
    }
    return folders;
}

bool HoldsArchives(const std::string& folder)
{
    try {
        return !FileSystem::ListFiles(folder + "*.RZZ").empty();
    } catch (const RuntimeError&) {
        return false;
    }
}

std::string RestoreSummary(const std::string& archive, const std::string& destination,
                           const modDAZadaro::RestoreOutcome& outcome)
{
    std::string text;
    if (outcome.Succeeded()) {
        text = "Restored " + std::to_string(outcome.files.size()) + (outcome.files.size() == 1 ? " file" : " files") +
               " from " + NameOf(archive) + " into " + destination + ":" +
               ListOf(outcome.files, [](const std::string& path) { return NameOf(path); });
        if (!outcome.safetyArchive.empty())
            text += std::string(kLineEnd) + kLineEnd + "The files it replaced were saved first as " +
                    NameOf(outcome.safetyArchive) + " in " + modDAZadaro::GetFolderPart(outcome.safetyArchive) +
                    ". Restore that archive to undo this restore.";
        return text;
    }
    text = outcome.files.empty()
               ? "Nothing was restored from " + NameOf(archive) + "."
               : "The restore from " + NameOf(archive) + " stopped after " + std::to_string(outcome.files.size()) +
                     " of its files:" + ListOf(outcome.files, [](const std::string& path) { return NameOf(path); });
    text += std::string(kLineEnd) + kLineEnd + outcome.failure;
    if (!outcome.safetyArchive.empty())
        text += std::string(kLineEnd) + kLineEnd + "The files to be replaced were saved first as " +
                NameOf(outcome.safetyArchive) + " in " + modDAZadaro::GetFolderPart(outcome.safetyArchive) + ".";
    return text;
}

} // namespace

void frmDAZadaro::mnuEdit_AboutToShow()
{
    const std::vector<modDAZadaro::Job> jobs = SelectedJobs();
    // A remote is not listed only to show the menu: asking it costs a helper's start.
    const auto remote = [](const modDAZadaro::Job& job) { return modDAZadaro::IsRemoteTarget(job.Target); };
    m_mnuRestore->setEnabled(jobs.size() == 1 && (remote(jobs.front()) || !RestorePointsOf(jobs.front()).empty()));
    const std::vector<std::string> folders = TargetFolders(jobs);
    m_mnuVerify->setEnabled(std::any_of(jobs.begin(), jobs.end(), remote) ||
                            std::any_of(folders.begin(), folders.end(), HoldsArchives));
}

void frmDAZadaro::RestoreFromArchive()
{
    const std::vector<modDAZadaro::Job> jobs = SelectedJobs();
    if (jobs.size() != 1)
        return;
    const modDAZadaro::Job& job = jobs.front();
    std::vector<modDAZadaro::RestorePoint> points;
    try {
        const WaitCursor wait; // a remote's listing takes a moment
        points = modDAZadaro::ListRestorePoints(job.Source, job.Target);
    } catch (const RuntimeError& error) {
        // A remote that cannot be reached is said so, not taken for an empty one.
        if (modDAZadaro::IsRemoteTarget(job.Target)) {
            Tell(job.Target + ": " + error.Description(), PromptIcon::Critical);
            return;
        }
    }
    RestoreRequest request{std::move(points), modDAZadaro::ClassifySource(job.Source).SourceFolder};
    if (request.archives.empty()) {
        Tell("No archive of this job's data files is in " + job.Target + ".", PromptIcon::Information);
        return;
    }
    const auto choice = RestoreDialog::Ask(request, this);
    if (!choice)
        return;
    modDAZadaro::RestoreOutcome outcome;
    {
        const WaitCursor wait;
        outcome = modDAZadaro::RestoreArchive(GetComponents(), choice->archive, choice->destination);
    }
    Tell(RestoreSummary(choice->archive, choice->destination, outcome),
         outcome.Succeeded() ? PromptIcon::Information : PromptIcon::Critical);
}

void frmDAZadaro::VerifyArchives()
{
    const std::vector<modDAZadaro::Job> jobs = SelectedJobs();
    if (jobs.empty())
        return;
    modDAZadaro::VerifyResult result;
    {
        const WaitCursor wait;
        std::vector<std::string> archives;
        std::vector<modDAZadaro::Job> local;
        std::unordered_set<std::string> remoteTargets;
        for (const modDAZadaro::Job& job : jobs) {
            if (!modDAZadaro::IsRemoteTarget(job.Target)) {
                local.push_back(job);
                continue;
            }
            if (!remoteTargets.insert(job.Target).second)
                continue;
            try {
                const modDAZadaro::VerifyResult checked = modDAZadaro::VerifyRemoteArchives(job.Target);
                result.checked += checked.checked;
                result.damaged.insert(result.damaged.end(), checked.damaged.begin(), checked.damaged.end());
            } catch (const RuntimeError& error) {
                result.damaged.push_back({job.Target, error.Description()});
            }
        }
        for (const std::string& folder : TargetFolders(local)) {
            try {
                const auto found = modDAZadaro::ArchivesInFolder(folder);
                archives.insert(archives.end(), found.begin(), found.end());
            } catch (const RuntimeError& error) {
                result.damaged.push_back({folder, error.Description()});
            }
        }
        const modDAZadaro::VerifyResult checked = modDAZadaro::VerifyArchiveFiles(archives);
        result.checked += checked.checked;
        result.damaged.insert(result.damaged.end(), checked.damaged.begin(), checked.damaged.end());
    }
    const std::string counted =
        std::to_string(result.checked) + (result.checked == 1 ? " archive" : " archives") + " checked";
    if (result.damaged.empty()) {
        Tell(counted + (result.checked == 1 ? ": it is sound." : ": all are sound."), PromptIcon::Information);
        return;
    }
    Tell(counted + "; " + std::to_string(result.damaged.size()) + (result.damaged.size() == 1 ? " is" : " are") +
             " damaged:" +
             ListOf(result.damaged,
                    [](const modDAZadaro::DamagedArchive& damaged) { return damaged.path + ": " + damaged.reason; }),
         PromptIcon::Exclamation);
}

void frmDAZadaro::DryRun()
{
    const std::vector<modDAZadaro::Job> jobs = SelectedJobs();
    if (jobs.empty())
        return;
    modDAZadaro::DryRunListing listing;
    {
        // Telling an unchanged data file reads it and its newest archive through.
        const WaitCursor wait;
        listing = modDAZadaro::PlanJobs(jobs);
    }
    DryRunDialog::Show(listing, this);
}

} // namespace ze6
