#include "platform/state/JobRecords.h"

#include "platform/schedule/Scheduler.h"
#include "platform/state/RunState.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <charconv>
#include <iterator>
#include <string_view>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <unordered_map>

namespace ze6 {

namespace {

// Job lines given on the command line belong to no file.
constexpr const char* kCommandLineName = "command-line";

std::string RecordFolder()
{
    return StateFolder() + "jobs/";
}

QString RecordPath(const std::string& file)
{
    return QString::fromStdString(RecordFolder() + (file.empty() ? kCommandLineName : ScheduleKey(file)) + ".records");
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

// One record a line, fields split by tabs, texts as bytes with tab, line
// ends and backslash escaped: quick to read and write for a file of ten
// thousand jobs, and a file cut short lacks its last line, which counts them.
constexpr const char* kHeader = "ZE6Vivevu job records 1";
constexpr std::size_t kRunFields = 8;

void PutText(std::string& out, const std::string& text)
{
    for (const char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
}

std::optional<std::string> GetText(std::string_view field)
{
    std::string text;
    text.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\') {
            text += field[i];
            continue;
        }
        if (++i == field.size())
            return std::nullopt;
        switch (field[i]) {
        case '\\':
            text += '\\';
            break;
        case 't':
            text += '\t';
            break;
        case 'n':
            text += '\n';
            break;
        case 'r':
            text += '\r';
            break;
        default:
            return std::nullopt;
        }
    }
    return text;
}

template <typename Number> void PutNumber(std::string& out, Number value)
{
    char digits[24];
    const auto end = std::to_chars(std::begin(digits), std::end(digits), value).ptr;
    out.append(digits, end);
}

template <typename Number> bool GetNumber(std::string_view field, Number& value)
{
    const auto result = std::from_chars(field.data(), field.data() + field.size(), value);
    return result.ec == std::errc() && result.ptr == field.data() + field.size();
}

void PutRun(std::string& out, const JobRun& run)
{
    PutNumber(out, run.start.toMSecsSinceEpoch());
    out += '\t';
    PutNumber(out, run.end.toMSecsSinceEpoch());
    out += '\t';
    PutNumber(out, run.entries);
    out += '\t';
    out += run.rejected ? '1' : '0';
    out += '\t';
    PutNumber(out, run.archivesWritten);
    out += '\t';
    PutNumber(out, run.dataFilesUnchanged);
    out += '\t';
    PutNumber(out, run.bytesWritten);
    out += '\t';
    PutText(out, run.firstEntry);
}

std::optional<JobRun> GetRun(const std::vector<std::string_view>& fields, std::size_t first, const std::string& line)
{
    JobRun run;
    run.line = line;
    qint64 start = 0, end = 0;
    int rejected = 0;
    auto text = GetText(fields[first + 7]);
    if (!GetNumber(fields[first], start) || !GetNumber(fields[first + 1], end) ||
        !GetNumber(fields[first + 2], run.entries) || !GetNumber(fields[first + 3], rejected) ||
        !GetNumber(fields[first + 4], run.archivesWritten) || !GetNumber(fields[first + 5], run.dataFilesUnchanged) ||
        !GetNumber(fields[first + 6], run.bytesWritten) || !text)
        return std::nullopt;
    // Kept in UTC: a time zone's rules are looked up only for the times shown.
    run.start = QDateTime::fromMSecsSinceEpoch(start, Qt::UTC);
    run.end = QDateTime::fromMSecsSinceEpoch(end, Qt::UTC);
    run.rejected = rejected != 0;
    run.firstEntry = std::move(*text);
    return run;
}

std::vector<std::string_view> Split(std::string_view line)
{
    std::vector<std::string_view> fields;
    for (std::size_t from = 0;;) {
        const std::size_t tab = line.find('\t', from);
        fields.push_back(line.substr(from, tab == std::string_view::npos ? std::string_view::npos : tab - from));
        if (tab == std::string_view::npos)
            return fields;
        from = tab + 1;
    }
}

// Nothing when the text is not a whole record file of this format.
std::optional<JobRecordFile> Parse(const QByteArray& bytes)
{
    const std::string_view text(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    std::vector<std::string_view> lines;
    for (std::size_t from = 0; from < text.size();) {
        const std::size_t end = text.find('\n', from);
        if (end == std::string_view::npos)
            return std::nullopt; // cut short inside its last line
        lines.push_back(text.substr(from, end - from));
        from = end + 1;
    }
    if (lines.size() < 3 || lines.front() != kHeader)
        return std::nullopt;
    const auto file = Split(lines[1]);
    const auto trailer = Split(lines.back());
    std::size_t count = 0;
    if (file.size() != 2 || file[0] != "file" || trailer.size() != 2 || trailer[0] != "end" ||
        !GetNumber(trailer[1], count) || count != lines.size() - 3)
        return std::nullopt;
    auto name = GetText(file[1]);
    if (!name)
        return std::nullopt;
    JobRecordFile records{std::move(*name), {}};
    records.jobs.reserve(count);
    for (std::size_t n = 2; n + 1 < lines.size(); ++n) {
        const auto fields = Split(lines[n]);
        // "job", the line, its last run, and its last success or "-".
        const bool success = fields.size() == 2 + 2 * kRunFields;
        if ((!success && fields.size() != 3 + kRunFields) || fields[0] != "job")
            return std::nullopt;
        auto line = GetText(fields[1]);
        if (!line)
            return std::nullopt;
        JobRecord record{*line, GetRun(fields, 2, *line), std::nullopt};
        if (!record.lastRun)
            return std::nullopt;
        if (success) {
            record.lastSuccess = GetRun(fields, 2 + kRunFields, *line);
            if (!record.lastSuccess)
                return std::nullopt;
        } else if (fields.back() != "-") {
            return std::nullopt;
        } else if (record.lastRun->Clean()) {
            record.lastSuccess = record.lastRun;
        }
        records.jobs.push_back(std::move(record));
    }
    return records;
}

QByteArray Serialize(const JobRecordFile& records)
{
    std::string out;
    out.reserve(64 + records.jobs.size() * 160);
    out.append(kHeader).append("\nfile\t");
    PutText(out, records.file);
    out += '\n';
    for (const JobRecord& record : records.jobs) {
        out += "job\t";
        PutText(out, record.line);
        out += '\t';
        PutRun(out, *record.lastRun);
        // A clean last run is the last success; only a failed one keeps an older success beside it.
        if (!record.lastRun->Clean() && record.lastSuccess) {
            out += '\t';
            PutRun(out, *record.lastSuccess);
        } else {
            out += "\t-";
        }
        out += '\n';
    }
    out += "end\t";
    PutNumber(out, records.jobs.size());
    out += '\n';
    return QByteArray(out.data(), static_cast<qsizetype>(out.size()));
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
    const QStringList names = folder.entryList({QStringLiteral("*.records")}, QDir::Files);
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
