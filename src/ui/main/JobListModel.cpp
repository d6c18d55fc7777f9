#include "ui/main/JobListModel.h"

#include "platform/schedule/CalendarExpression.h"

#include <QApplication>
#include <QStyle>
#include <algorithm>

namespace ze6 {

QString ReadableText(const std::string& bytes)
{
    const auto size = static_cast<qsizetype>(bytes.size());
    return QUtf8StringView(bytes.data(), size).isValidUtf8() ? QString::fromUtf8(bytes.data(), size)
                                                             : QString::fromLatin1(bytes.data(), size);
}

namespace {

bool Behind(const modDAZadaro::JobStatus& status)
{
    return status.state == modDAZadaro::JobState::Failed || status.state == modDAZadaro::JobState::Overdue;
}

QString LastRunText(const modDAZadaro::JobStatus& status)
{
    return status.lastRun ? QString::fromStdString(FormatRunTime(status.lastRun->end.toLocalTime())) : QString();
}

QString ResultText(const modDAZadaro::JobStatus& status)
{
    if (!status.lastRun)
        return {};
    const JobRun& run = *status.lastRun;
    QString text = run.rejected       ? QStringLiteral("rejected")
                   : run.entries == 0 ? QStringLiteral("clean")
                   : run.entries == 1 ? QStringLiteral("1 log entry")
                                      : QStringLiteral("%1 log entries").arg(run.entries);
    if (status.state == modDAZadaro::JobState::Overdue)
        text += QStringLiteral(", overdue");
    return text;
}

} // namespace

const std::vector<JobListModel::Column>& JobListModel::Columns()
{
    static const std::vector<Column> columns = {
        {QStringLiteral("Backup Files From"), [](const modDAZadaro::Job& job) { return ReadableText(job.Source); }},
        {QStringLiteral("Backup Files To"), [](const modDAZadaro::Job& job) { return ReadableText(job.Target); }},
        {QStringLiteral("KeepLast"),
         [](const modDAZadaro::Job& job) {
             return QString::fromStdString(modDAZadaro::KeepLastText(job.Retention.KeepLastCount));
         }},
        {QStringLiteral("Rules"),
         [](const modDAZadaro::Job& job) { return QString::fromStdString(modDAZadaro::RuleWordsText(job)); }},
        {QStringLiteral("Last run"), nullptr, LastRunText},
        {QStringLiteral("Result"), nullptr, ResultText},
    };
    return columns;
}

JobListModel::JobListModel(QObject* parent) : QAbstractTableModel(parent)
{
}

int JobListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : Count();
}

int JobListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(Columns().size());
}

QVariant JobListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const Column& column = Columns()[static_cast<std::size_t>(index.column())];
    const modDAZadaro::Job& job = At(index.row());
    if (role == Qt::DisplayRole && column.text != nullptr)
        return column.text(job);
    if (role != Qt::DisplayRole && role != Qt::DecorationRole && role != Qt::ToolTipRole)
        return {};
    const modDAZadaro::JobStatus* status = StatusOf(job);
    if (status == nullptr)
        return role == Qt::DisplayRole ? QVariant(QString()) : QVariant();
    if (role == Qt::DisplayRole)
        return column.statusText(*status);
    if (!Behind(*status))
        return {};
    if (role == Qt::DecorationRole)
        return index.column() == 0 ? QVariant(QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning))
                                   : QVariant();
    if (status->lastRun && !status->lastRun->Clean())
        return ReadableText(status->lastRun->firstEntry);
    return QStringLiteral("Not succeeded since the schedule last came round");
}

void JobListModel::SetStatuses(const std::vector<modDAZadaro::JobStatus>& statuses)
{
    m_statuses.clear();
    for (const modDAZadaro::JobStatus& status : statuses)
        m_statuses[status.line] = status;
    if (Count() > 0)
        Q_EMIT dataChanged(index(0, 0), index(Count() - 1, columnCount() - 1));
}

void JobListModel::JobEnded(const JobRun& run)
{
    modDAZadaro::JobStatus& status = m_statuses[run.line];
    status.line = run.line;
    status.lastRun = run;
    if (run.Clean())
        status.lastSuccess = run;
    // It has just run: whatever the schedule says, it is not behind it.
    status.state = run.Clean() ? modDAZadaro::JobState::Ok : modDAZadaro::JobState::Failed;
    if (Count() > 0)
        Q_EMIT dataChanged(index(0, 0), index(Count() - 1, columnCount() - 1));
}

const modDAZadaro::JobStatus* JobListModel::StatusOf(const modDAZadaro::Job& job) const
{
    if (m_statuses.empty())
        return nullptr;
    const auto found = m_statuses.find(modDAZadaro::FormatJobLine(job));
    return found == m_statuses.end() ? nullptr : &found->second;
}

QVariant JobListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    return Columns()[static_cast<std::size_t>(section)].header;
}

void JobListModel::SetJobs(std::vector<modDAZadaro::Job> jobs)
{
    beginResetModel();
    m_jobs = std::move(jobs);
    endResetModel();
}

void JobListModel::Append(const std::vector<modDAZadaro::Job>& jobs)
{
    if (jobs.empty())
        return;
    beginInsertRows({}, Count(), Count() + static_cast<int>(jobs.size()) - 1);
    m_jobs.insert(m_jobs.end(), jobs.begin(), jobs.end());
    endInsertRows();
}

void JobListModel::RemoveRows(std::vector<int> rows)
{
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    // Bottom up, so the numbers of the rows still to go stay valid.
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        if (*it < 0 || *it >= Count())
            continue;
        beginRemoveRows({}, *it, *it);
        m_jobs.erase(m_jobs.begin() + *it);
        endRemoveRows();
    }
}

} // namespace ze6
