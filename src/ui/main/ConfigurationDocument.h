#pragma once

#include "engine/Job.h"
#include "platform/Prompt.h"
#include "ui/main/JobListModel.h"

#include <QString>
#include <optional>
#include <vector>

namespace ze6 {

// One backup configuration document: its jobs, the file they were loaded
// from or last saved to, and whether they changed since. It shows nothing
// itself: what the user must be told comes back as a box for the window to show.
class ConfigurationDocument {
public:
    // The jobs, for a view to show and select from. Changes made straight on
    // the model do not count as changes of the document; Add and Remove do.
    JobListModel& JobList() { return m_jobs; }
    const JobListModel& JobList() const { return m_jobs; }
    const std::vector<modDAZadaro::Job>& Jobs() const { return m_jobs.Jobs(); }

    // Empty before the document was first loaded or saved.
    const QString& CurrentFile() const { return m_currentFile; }
    bool IsDirty() const { return m_isDirty; }
    // "DA Zadaro", then " - " and the file once there is one.
    QString Caption() const;
    // Saving is offered only for a list with jobs; Save without a dialog only
    // once there is a file to save to.
    bool CanSaveAs() const { return m_jobs.Count() > 0; }
    bool CanSave() const { return CanSaveAs() && !m_currentFile.isEmpty(); }
    // What is on disk is what the list shows.
    bool IsSaved() const { return !m_currentFile.isEmpty() && !m_isDirty; }

    struct FileOutcome {
        bool done = false; // the file is now the document's and the list is unchanged since
        std::optional<PromptRequest> notice;
    };
    // Both read or write the whole file before anything changes, so a failure
    // leaves the list, the file and the flag as they were and says why. A load
    // that had to leave lines out says which.
    FileOutcome Load(const QString& path);
    FileOutcome Save(const QString& path);

    // Appends the jobs and marks the document changed, or refuses all of them
    // when one cannot be written to a job line, saying why.
    std::optional<PromptRequest> Add(const std::vector<modDAZadaro::Job>& jobs);
    // Removes the given rows (from 0, any order). On a list with jobs this
    // marks the document changed even when no row is given.
    void Remove(const std::vector<int>& rows);

private:
    void RecordFile(const QString& path);

    JobListModel m_jobs;
    QString m_currentFile;
    bool m_isDirty = false;
};

} // namespace ze6
