#pragma once

#include "engine/Job.h"
#include "engine/JobStatus.h"

#include <QAbstractTableModel>
#include <QString>
#include <map>
#include <string>
#include <vector>

namespace ze6 {

// A path's bytes as the user reads them: UTF-8 as it stands, anything else as
// Latin-1 (the usual origin of such names), so no byte shows as a replacement mark.
QString ReadableText(const std::string& bytes);

// The jobs of one configuration document, in list order (the order they are
// saved and run in). The jobs are kept as values with their bytes as loaded
// or added; the columns only show them. Rows count from 0, as in every Qt view.
class JobListModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    // One column: its header and the text a job shows in it. A new column is
    // one more entry in the table behind Columns(); the view shows whatever
    // the model lists.
    // A column of the job's last run takes its text from the job's status instead.
    struct Column {
        QString header;
        QString (*text)(const modDAZadaro::Job& job);
        QString (*statusText)(const modDAZadaro::JobStatus& status) = nullptr;
    };
    static const std::vector<Column>& Columns();

    explicit JobListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    const std::vector<modDAZadaro::Job>& Jobs() const { return m_jobs; }
    int Count() const { return static_cast<int>(m_jobs.size()); }
    const modDAZadaro::Job& At(int row) const { return m_jobs.at(static_cast<std::size_t>(row)); }

    // Replaces the whole list in one go.
    void SetJobs(std::vector<modDAZadaro::Job> jobs);
    void Append(const std::vector<modDAZadaro::Job>& jobs);
    // Removes the listed rows, given in any order; rows out of range are
    // ignored. The rows below move up, so views keep their selection valid.
    void RemoveRows(std::vector<int> rows);

    // What the records say of the jobs, each known by its FormatJobLine; a
    // failed or overdue row gets a mark and the first entry of its last run
    // as its tooltip.
    void SetStatuses(const std::vector<modDAZadaro::JobStatus>& statuses);
    // A job of the list has just run.
    void JobEnded(const JobRun& run);
    const modDAZadaro::JobStatus* StatusOf(const modDAZadaro::Job& job) const;

private:
    std::vector<modDAZadaro::Job> m_jobs;
    std::map<std::string, modDAZadaro::JobStatus> m_statuses;
};

} // namespace ze6
