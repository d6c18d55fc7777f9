#include "platform/state/JobRecords.h"

#include "platform/schedule/Scheduler.h"
#include "platform/state/RunState.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <charconv>
#include <iterator>
#include <string_view>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
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
constexpr std::size_t kRunFieldsRoom = 80; // a run's fields but its first entry, at the most

void PutText(std::string& out, std::string_view text)
{
    if (std::none_of(text.begin(), text.end(), [](char c) { return c == '\\' || c == '\t' || c == '\n' || c == '\r'; })) {
        out.append(text);
        return;
    }
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

// The job lines of a record file of `file`, unread; false when the file is
// not whole. Their fields are checked when the records are read.
bool JobLinesOf(const QByteArray& bytes, const std::string& file, std::vector<std::string_view>& jobs)
{
    const std::string_view text(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    std::vector<std::string_view> lines;
    for (std::size_t from = 0; from < text.size();) {
        const std::size_t end = text.find('\n', from);
        if (end == std::string_view::npos)
            return false;
        lines.push_back(text.substr(from, end - from));
        from = end + 1;
    }
    std::string fileLine = "file\t";
    PutText(fileLine, file);
    std::size_t count = 0;
    if (lines.size() < 3 || lines[0] != kHeader || lines[1] != fileLine || lines.back().substr(0, 4) != "end\t" ||
        !GetNumber(lines.back().substr(4), count) || count != lines.size() - 3)
        return false;
    for (std::size_t n = 2; n + 1 < lines.size(); ++n) {
        if (lines[n].substr(0, 4) != "job\t" || lines[n].find('\t', 4) == std::string_view::npos)
            return false;
        jobs.push_back(lines[n]);
    }
    return true;
}

// The job line's field as written, which names the job.
std::string_view KeyOf(std::string_view line)
{
    return line.substr(4, line.find('\t', 4) - 4);
}

// The fields of the last success in a job's line, or empty when it has none.
std::string_view SuccessOf(std::string_view line)
{
    const auto fields = Split(line);
    if (fields.size() == 2 + 2 * kRunFields)
        return line.substr(static_cast<std::size_t>(fields[2 + kRunFields].data() - line.data()));
    if (fields.size() != 3 + kRunFields)
        return {};
    // Its last run was clean: "<start> <end> 0 0 ...".
    if (fields[4] != "0" || fields[5] != "0")
        return {};
    const std::size_t from = static_cast<std::size_t>(fields[2].data() - line.data());
    const std::size_t to = static_cast<std::size_t>(fields[2 + kRunFields].data() - line.data()) - 1;
    return line.substr(from, to - from);
}

// Whether the runs are of the jobs of `lines`, one each, in their order.
bool SameJobsInOrder(const std::vector<std::string_view>& lines, const std::vector<JobRun>& runs)
{
    if (lines.size() != runs.size())
        return false;
    std::string escaped;
    for (std::size_t row = 0; row < lines.size(); ++row) {
        const std::string_view key = KeyOf(lines[row]);
        const std::string& line = runs[row].line;
        // A line without a backslash is its own key when it matches at all.
        if (key == line && line.find('\\') == std::string::npos)
            continue;
        escaped.clear();
        PutText(escaped, line);
        if (key != escaped)
            return false;
    }
    return true;
}

// A job's new line: its last run, and the success before it from its old
// line (may be empty) when the run failed.
void PutJobLine(std::string& out, std::string_view key, const JobRun& run, std::string_view old)
{
    out.append("job\t").append(key).append(1, '\t');
    PutRun(out, run);
    const std::string_view success = run.Clean() || old.empty() ? std::string_view() : SuccessOf(old);
    if (success.empty())
        out += "\t-";
    else
        out.append(1, '\t').append(success);
    out += '\n';
}

// A temporary beside the file, renamed over it: a reader sees the old file
// or the new, never part of one. Not synced: a record lost to a crash only
// makes its file look damaged, and a run must not wait on the disk for it.
bool WriteReplacing(const QString& path, const std::string& content)
{
    const std::string target = path.toStdString();
    std::string temporary = target + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return false;
    bool ok = ::fchmod(fd, 0600) == 0;
    for (std::size_t written = 0; ok && written < content.size();) {
        const ssize_t count = ::write(fd, content.data() + written, content.size() - written);
        if (count < 0 && errno == EINTR)
            continue;
        ok = count > 0;
        if (ok)
            written += static_cast<std::size_t>(count);
    }
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok)
        ::unlink(temporary.c_str());
    return ok;
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
    QByteArray old;
    if (QFile in(path); in.open(QIODevice::ReadOnly))
        old = in.readAll();
    std::vector<std::string_view> lines;
    if (!old.isEmpty() && !JobLinesOf(old, file, lines)) {
        SetAside(path, report);
        lines.clear();
    }

    // The usual run, every job of an unchanged file in its order, goes
    // straight into the new file.
    if (SameJobsInOrder(lines, runs)) {
        std::string out;
        out.reserve(static_cast<std::size_t>(old.size()) + 1024);
        out.append(kHeader).append("\nfile\t");
        PutText(out, file);
        out += '\n';
        for (std::size_t row = 0; row < lines.size(); ++row)
            PutJobLine(out, KeyOf(lines[row]), runs[row], lines[row]);
        out += "end\t";
        PutNumber(out, lines.size());
        out += '\n';
        if (!WriteReplacing(path, out))
            report.failure = "cannot write " + path.toStdString();
        return report;
    }

    // The jobs that ran replace their lines as text; the others keep theirs
    // unread, so a run of many jobs costs little more than writing the file.
    // A file's jobs mostly run in the order their records stand: each is
    // looked for at the line after the last one found before any is hashed.
    std::unordered_map<std::string_view, std::size_t> rows;
    const auto index = [&] {
        if (!rows.empty() || lines.empty())
            return;
        rows.reserve(lines.size() + runs.size());
        for (std::size_t row = 0; row < lines.size(); ++row)
            rows.emplace(KeyOf(lines[row]), row);
    };
    std::vector<std::string> replaced(lines.size());
    std::vector<std::string> added; // new jobs' lines, in the order they ran
    std::unordered_map<std::string, std::size_t> addedRows;
    const auto current = [&](std::size_t row) -> std::string_view {
        if (row < lines.size())
            return replaced[row].empty() ? lines[row] : std::string_view(replaced[row]);
        return added[row - lines.size()];
    };
    std::size_t next = 0;
    for (const JobRun& run : runs) {
        std::string text;
        // Room for the fields as well, so that the line is made in one piece.
        text.reserve(run.line.size() + run.firstEntry.size() + 2 * kRunFieldsRoom);
        text += "job\t";
        PutText(text, run.line);
        const std::string_view key = std::string_view(text).substr(4);
        std::optional<std::size_t> row;
        if (next < lines.size() && KeyOf(lines[next]) == key) {
            row = next;
        } else {
            index();
            if (const auto found = rows.find(key); found != rows.end())
                row = found->second;
            else if (const auto again = addedRows.find(std::string(key)); again != addedRows.end())
                row = again->second;
        }
        const std::string newKey = row ? std::string() : std::string(key);
        text += '\t';
        PutRun(text, run);
        // A failed run keeps the success before it, which the line holds
        // either as its own last run or beside it.
        std::string_view success;
        if (!run.Clean() && row)
            success = SuccessOf(current(*row));
        if (success.empty())
            text += "\t-";
        else
            text.append(1, '\t').append(success);
        if (!row) {
            addedRows.emplace(newKey, lines.size() + added.size());
            added.push_back(std::move(text));
            continue;
        }
        if (*row < lines.size()) {
            next = *row + 1;
            replaced[*row] = std::move(text);
        } else {
            added[*row - lines.size()] = std::move(text);
        }
    }

    std::string out;
    out.reserve(static_cast<std::size_t>(old.size()) + added.size() * 160 + 256);
    out.append(kHeader).append("\nfile\t");
    PutText(out, file);
    out += '\n';
    for (std::size_t row = 0; row < lines.size(); ++row)
        out.append(current(row)).append(1, '\n');
    for (const std::string& text : added)
        out.append(text).append(1, '\n');
    out += "end\t";
    PutNumber(out, lines.size() + added.size());
    out += '\n';
    if (!WriteReplacing(path, out))
        report.failure = "cannot write " + path.toStdString();
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
