#include "platform/state/JobRecords.h"

#include "platform/schedule/Scheduler.h"
#include "platform/state/RunState.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <unordered_map>

namespace ze6 {

namespace {

constexpr int kFormat = 1;
// Job lines given on the command line belong to no file.
constexpr const char* kCommandLineName = "command-line";

std::string RecordFolder()
{
    return StateFolder() + "jobs/";
}

QString RecordPath(const std::string& file)
{
    return QString::fromStdString(RecordFolder() + (file.empty() ? kCommandLineName : ScheduleKey(file)) + ".json");
}

// Held for each read-merge-replace, so that no run replaces the file between
// another's read and its rename.
class RecordLock final {
public:
    RecordLock()
    {
        QDir().mkpath(QString::fromStdString(RecordFolder()));
        // Private, like the log beside it: the records name the user's files.
        QFile::setPermissions(QString::fromStdString(StateFolder()),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const std::string path = RecordFolder() + ".lock";
        m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_fd < 0) {
            failure = "cannot open " + path + ": " + std::strerror(errno);
            return;
        }
        while (::flock(m_fd, LOCK_EX) != 0) {
            if (errno != EINTR) {
                failure = "cannot lock " + path + ": " + std::strerror(errno);
                return;
            }
        }
    }
    ~RecordLock()
    {
        if (m_fd >= 0)
            ::close(m_fd); // also releases the lock
    }
    RecordLock(const RecordLock&) = delete;
    RecordLock& operator=(const RecordLock&) = delete;

    std::string failure;

private:
    int m_fd = -1;
};

// Texts are bytes; one that is not UTF-8 is kept in base64 so that it comes back unchanged.
void PutBytes(QJsonObject& object, const QString& key, const std::string& bytes)
{
    const QByteArray data(bytes.data(), static_cast<qsizetype>(bytes.size()));
    if (QUtf8StringView(data.constData(), data.size()).isValidUtf8())
        object.insert(key, QString::fromUtf8(data));
    else
        object.insert(key + QStringLiteral("64"), QString::fromLatin1(data.toBase64()));
}

std::optional<std::string> GetBytes(const QJsonObject& object, const QString& key)
{
    if (const QJsonValue text = object.value(key); text.isString())
        return text.toString().toStdString();
    if (const QJsonValue coded = object.value(key + QStringLiteral("64")); coded.isString())
        return QByteArray::fromBase64(coded.toString().toLatin1()).toStdString();
    return std::nullopt;
}

QJsonObject RunObject(const JobRun& run)
{
    QJsonObject object;
    object.insert(QStringLiteral("start"), static_cast<double>(run.start.toMSecsSinceEpoch()));
    object.insert(QStringLiteral("end"), static_cast<double>(run.end.toMSecsSinceEpoch()));
    if (run.entries != 0)
        object.insert(QStringLiteral("entries"), run.entries);
    if (!run.firstEntry.empty())
        PutBytes(object, QStringLiteral("firstEntry"), run.firstEntry);
    if (run.rejected)
        object.insert(QStringLiteral("rejected"), true);
    object.insert(QStringLiteral("archives"), run.archivesWritten);
    if (run.dataFilesUnchanged != 0)
        object.insert(QStringLiteral("unchanged"), run.dataFilesUnchanged);
    object.insert(QStringLiteral("bytes"), static_cast<double>(run.bytesWritten));
    return object;
}

std::optional<JobRun> RunFrom(const QJsonValue& value, const std::string& line)
{
    const QJsonObject object = value.toObject();
    const QJsonValue start = object.value(QStringLiteral("start"));
    const QJsonValue end = object.value(QStringLiteral("end"));
    if (!start.isDouble() || !end.isDouble())
        return std::nullopt;
    JobRun run;
    run.line = line;
    run.start = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(start.toDouble()));
    run.end = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(end.toDouble()));
    run.entries = object.value(QStringLiteral("entries")).toInt();
    run.firstEntry = GetBytes(object, QStringLiteral("firstEntry")).value_or(std::string());
    run.rejected = object.value(QStringLiteral("rejected")).toBool();
    run.archivesWritten = object.value(QStringLiteral("archives")).toInt();
    run.dataFilesUnchanged = object.value(QStringLiteral("unchanged")).toInt();
    run.bytesWritten = static_cast<std::uint64_t>(object.value(QStringLiteral("bytes")).toDouble());
    return run;
}

// Nothing when the text is not a whole record file of this format.
std::optional<JobRecordFile> Parse(const QByteArray& bytes)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    const auto file = GetBytes(object, QStringLiteral("file"));
    const QJsonValue jobs = object.value(QStringLiteral("jobs"));
    if (object.value(QStringLiteral("format")).toInt() != kFormat || !file || !jobs.isArray())
        return std::nullopt;
    JobRecordFile records{*file, {}};
    for (const QJsonValue& entry : jobs.toArray()) {
        const QJsonObject job = entry.toObject();
        const auto line = GetBytes(job, QStringLiteral("line"));
        if (!line)
            return std::nullopt;
        JobRecord record{*line, RunFrom(job.value(QStringLiteral("last")), *line), std::nullopt};
        if (!record.lastRun)
            return std::nullopt;
        // A clean last run is the last success; only a failed one keeps an older success beside it.
        record.lastSuccess =
            record.lastRun->Clean() ? record.lastRun : RunFrom(job.value(QStringLiteral("success")), *line);
        records.jobs.push_back(std::move(record));
    }
    return records;
}

QByteArray Serialize(const JobRecordFile& records)
{
    QJsonArray jobs;
    for (const JobRecord& record : records.jobs) {
        QJsonObject job;
        PutBytes(job, QStringLiteral("line"), record.line);
        job.insert(QStringLiteral("last"), RunObject(*record.lastRun));
        if (!record.lastRun->Clean() && record.lastSuccess)
            job.insert(QStringLiteral("success"), RunObject(*record.lastSuccess));
        jobs.append(job);
    }
    QJsonObject object;
    object.insert(QStringLiteral("format"), kFormat);
    PutBytes(object, QStringLiteral("file"), records.file);
    object.insert(QStringLiteral("jobs"), jobs);
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

void SetAside(const QString& path, JobRecordsReport& report)
{
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside = path + QStringLiteral(".damaged-") + stamp;
    for (int n = 2; QFileInfo::exists(aside); ++n)
        aside = path + QStringLiteral(".damaged-") + stamp + u'-' + QString::number(n);
    if (QFile::rename(path, aside))
        report.setAside.emplace_back(path.toStdString(), aside.toStdString());
    else
        report.setAside.emplace_back(path.toStdString(), std::string());
}

// Under the lock.
JobRecordFile Load(const QString& path, const std::string& file, JobRecordsReport& report)
{
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return {file, {}};
    const auto records = Parse(in.readAll());
    in.close();
    if (records && records->file == file)
        return *records;
    SetAside(path, report);
    return {file, {}};
}

} // namespace

const JobRecord* JobRecordFile::Find(const std::string& line) const
{
    for (const JobRecord& record : jobs) {
        if (record.line == line)
            return &record;
    }
    return nullptr;
}

bool JobRecordsWanted()
{
    const char* off = std::getenv("ZE6VIVEVU_NO_JOB_RECORDS");
    return off == nullptr || *off == '\0';
}

JobRecordsReport UpdateJobRecords(const std::string& file, const std::vector<JobRun>& runs)
{
    JobRecordsReport report;
    if (runs.empty())
        return report;
    const RecordLock lock;
    if (!lock.failure.empty()) {
        report.failure = lock.failure;
        return report;
    }
    const QString path = RecordPath(file);
    JobRecordFile records = Load(path, file, report);
    std::unordered_map<std::string, std::size_t> rows;
    rows.reserve(records.jobs.size() + runs.size());
    for (std::size_t row = 0; row < records.jobs.size(); ++row)
        rows.emplace(records.jobs[row].line, row);
    for (const JobRun& run : runs) {
        auto [found, added] = rows.emplace(run.line, records.jobs.size());
        if (added)
            records.jobs.push_back({run.line, std::nullopt, std::nullopt});
        JobRecord& record = records.jobs[found->second];
        record.lastRun = run;
        if (run.Clean())
            record.lastSuccess = run;
    }
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(Serialize(records)) < 0 || !out.commit())
        report.failure = "cannot write " + path.toStdString() + ": " + out.errorString().toStdString();
    return report;
}

JobRecordFile ReadJobRecords(const std::string& file, JobRecordsReport& report)
{
    const QString path = RecordPath(file);
    if (!QFileInfo::exists(path))
        return {file, {}};
    const RecordLock lock;
    return Load(path, file, report);
}

std::vector<JobRecordFile> ReadAllJobRecords(JobRecordsReport& report)
{
    std::vector<JobRecordFile> all;
    const QDir folder(QString::fromStdString(RecordFolder()));
    const QStringList names = folder.entryList({QStringLiteral("*.json")}, QDir::Files);
    if (names.isEmpty())
        return all;
    const RecordLock lock;
    for (const QString& name : names) {
        const QString path = folder.filePath(name);
        QFile in(path);
        if (!in.open(QIODevice::ReadOnly))
            continue;
        auto records = Parse(in.readAll());
        in.close();
        // A file under another's name would have its records merged into the wrong file's.
        if (records && QFileInfo(RecordPath(records->file)).fileName() == name)
            all.push_back(std::move(*records));
        else
            SetAside(path, report);
    }
    std::sort(all.begin(), all.end(), [](const auto& a, const auto& b) { return a.file < b.file; });
    return all;
}

} // namespace ze6
