#include "ui/main/JobListModel.h"

#include <algorithm>

namespace ze6 {

QString ReadableText(const std::string& bytes)
{
    const auto size = static_cast<qsizetype>(bytes.size());
    return QUtf8StringView(bytes.data(), size).isValidUtf8() ? QString::fromUtf8(bytes.data(), size)
                                                             : QString::fromLatin1(bytes.data(), size);
}

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
    if (role != Qt::DisplayRole || !checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    return Columns()[static_cast<std::size_t>(index.column())].text(At(index.row()));
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
