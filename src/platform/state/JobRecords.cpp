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
#include <utility>

namespace ze6 {

namespace {

// Job lines given on the command line belong to no file.
constexpr const char* kCommandLineName = "command-line";

std::string RecordFolder()
{
    return StateFolder() + "jobs/";
}

// Held for each read-merge-replace, so that no run replaces the records
// between another's read and its rename.
constexpr const char* kLockName = "jobs/.lock";

// Both files hold one record a line, fields split by tabs, texts as bytes
// with tab, line ends and backslash escaped: quick to read and write for a
// file of ten thousand jobs, and a file cut short lacks its last line, which
// counts them. The runs file names the job lines it goes with by their hash,
// which is also in the job lines' file name: a run of the jobs the records
// already hold in their order rewrites the runs alone, and a crash between
// the two files' replacements leaves the old pair whole. A runs row that is
// the same as the one before it is written as kSameRow: in a file of many
// jobs that found nothing to do most are, and the file is a small part as
// long.
constexpr const char* kRunsHeader = "ZE6Vivevu job records 3";
// As above, but every row written out; read as it is.
constexpr const char* kSecondHeader = "ZE6Vivevu job records 2";
constexpr std::string_view kSameRow = "=";
constexpr const char* kLinesHeader = "ZE6Vivevu job lines 2";
constexpr std::size_t kRunFields = 8;
constexpr std::size_t kRunFieldsRoom = 128; // a run's fields but its first entry, at the most

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

// Tells job lists apart, written into file names: not for an adversary, only
// to notice that the jobs of a run are not those the records hold.
std::uint64_t Mix(std::uint64_t value)
{
    value *= 0x9E3779B97F4A7C15ULL;
    return value ^ (value >> 29);
}

std::uint64_t HashLine(std::uint64_t hash, std::string_view line)
{
    hash = Mix(hash ^ line.size());
    std::size_t at = 0;
    for (; at + 8 <= line.size(); at += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, line.data() + at, 8);
        hash = Mix(hash ^ word);
    }
    std::uint64_t rest = 0;
    std::memcpy(&rest, line.data() + at, line.size() - at);
    return Mix(hash ^ rest);
}

std::string HashText(std::uint64_t hash)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex(16, '0');
    for (int n = 0; n < 16; ++n)
        hex[static_cast<std::size_t>(n)] = kDigits[(hash >> (60 - 4 * n)) & 0xF];
    return hex;
}

class LinesHash {
public:
    void Add(std::string_view line) { m_hash = HashLine(m_hash, line); }
    std::string Hex() const { return HashText(m_hash); }

private:
    std::uint64_t m_hash = 0;
};

std::string BaseName(const std::string& file)
{
    return RecordFolder() + (file.empty() ? kCommandLineName : ScheduleKey(file));
}

QString RunsPath(const std::string& file)
{
    return QString::fromStdString(BaseName(file) + ".records");
}

QString LinesPath(const std::string& file, std::string_view hash)
{
    return QString::fromStdString(BaseName(file) + '.' + std::string(hash) + ".lines");
}

// A run's fields are put together in place and appended at once: a file of
// ten thousand rows is written a row, not a character, at a time.
constexpr std::size_t kRunNumbersRoom = 8 * 24;

// The fields up to the first entry, with the tab after them, at `at`.
char* PutRunNumbers(char* at, const JobRunList::Row& run)
{
    const auto number = [&](auto value) {
        at = std::to_chars(at, at + 24, value).ptr; // room for any 64-bit number
        *at++ = '\t';
    };
    number(run.startMs);
    // The end as the time the job took, which is short to write.
    number(run.endMs - run.startMs);
    number(run.entries);
    *at++ = run.rejected ? '1' : '0';
    *at++ = '\t';
    number(run.archivesWritten);
    number(run.dataFilesUnchanged);
    number(run.bytesWritten);
    return at;
}

std::optional<JobRun> GetRun(const std::vector<std::string_view>& fields, std::size_t first)
{
    JobRun run;
    qint64 start = 0, end = 0; // the end as the time taken
    int rejected = 0;
    auto text = GetText(fields[first + 7]);
    if (!GetNumber(fields[first], start) || !GetNumber(fields[first + 1], end) ||
        !GetNumber(fields[first + 2], run.entries) || !GetNumber(fields[first + 3], rejected) ||
        !GetNumber(fields[first + 4], run.archivesWritten) || !GetNumber(fields[first + 5], run.dataFilesUnchanged) ||
        !GetNumber(fields[first + 6], run.bytesWritten) || !text)
        return std::nullopt;
    // Kept in UTC: a time zone's rules are looked up only for the times shown.
    run.start = QDateTime::fromMSecsSinceEpoch(start, Qt::UTC);
    run.end = QDateTime::fromMSecsSinceEpoch(start + end, Qt::UTC);
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

// A file read whole, or nothing when it is absent.
std::optional<QByteArray> ReadWhole(const QString& path)
{
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return std::nullopt;
    return in.readAll();
}

// The parts of a file of either kind: its heading fields, and its records
// between them and its closing count. Nothing when the file is not whole.
struct Sections {
    std::vector<std::string_view> heading; // "file", its path, and for runs "jobs", hash, count
    std::vector<std::string_view> records;
};

std::optional<Sections> SplitFile(std::string_view text, std::string_view header, std::size_t headingLines)
{
    Sections sections;
    sections.records.reserve(text.size() / 64);
    std::size_t from = 0;
    std::size_t count = 0;
    for (std::size_t n = 0; from < text.size(); ++n) {
        const std::size_t end = text.find('\n', from);
        if (end == std::string_view::npos)
            return std::nullopt; // cut short inside its last line
        const std::string_view line = text.substr(from, end - from);
        from = end + 1;
        if (n == 0) {
            if (line != header)
                return std::nullopt;
        } else if (n <= headingLines) {
            for (const std::string_view field : Split(line))
                sections.heading.push_back(field);
        } else if (from == text.size()) {
            if (line.substr(0, 4) != "end\t" || !GetNumber(line.substr(4), count))
                return std::nullopt;
        } else {
            sections.records.push_back(line);
        }
    }
    if (from != text.size() || sections.heading.empty() || count != sections.records.size())
        return std::nullopt;
    return sections;
}

// The rows of a runs file, kSameRow given the row before it; nothing when
// the file is not whole, or a kSameRow has no row before it or stands in a
// file of the layout before, which never wrote one.
std::optional<Sections> SplitRuns(std::string_view text)
{
    const std::string_view second = kSecondHeader;
    const bool isSecond = text.starts_with(second) && text.substr(second.size()).starts_with('\n');
    auto runs = SplitFile(text, isSecond ? second : std::string_view(kRunsHeader), 2);
    if (!runs)
        return std::nullopt;
    for (std::size_t row = 0; row < runs->records.size(); ++row) {
        if (runs->records[row] != kSameRow)
            continue;
        if (row == 0 || isSecond)
            return std::nullopt;
        runs->records[row] = runs->records[row - 1];
    }
    return runs;
}

// What the records hold of one file before a run changes them.
struct Stored {
    bool held = false;                    // whether there are records at all
    std::string hash;                     // of its job lines; empty for the former layout
    std::vector<std::string_view> keys;   // the job lines as written in the lines file
    std::vector<std::string_view> runs;   // a row each: its last run, and its last success or "-"
    QByteArray runsText, linesText;       // what the views point into
};

// The layout of the first version: one file, each job's line beside its
// runs, and its runs' ends as times rather than as the time taken. Read so
// that an update keeps what it held.
constexpr const char* kFormerHeader = "ZE6Vivevu job records 1";

bool ReadFormer(std::string_view text, const std::string& file, Stored& stored)
{
    const auto sections = SplitFile(text, kFormerHeader, 1);
    if (!sections || sections->heading.size() != 2 || sections->heading[0] != "file" ||
        GetText(sections->heading[1]) != file)
        return false;
    std::string rows;
    std::vector<std::pair<std::size_t, std::size_t>> spans;
    for (const std::string_view line : sections->records) {
        auto fields = Split(line);
        const bool success = fields.size() == 2 + 2 * kRunFields;
        if (fields[0] != "job" || (!success && fields.size() != 3 + kRunFields))
            return false;
        const std::size_t from = rows.size();
        for (std::size_t first : {std::size_t(2), 2 + kRunFields}) {
            if (first == 2 + kRunFields && !success) {
                rows += "\t-";
                break;
            }
            std::int64_t start = 0, end = 0;
            if (!GetNumber(fields[first], start) || !GetNumber(fields[first + 1], end))
                return false;
            if (first != 2)
                rows += '\t';
            PutNumber(rows, start);
            rows += '\t';
            PutNumber(rows, end - start);
            for (std::size_t n = first + 2; n < first + kRunFields; ++n)
                rows.append(1, '\t').append(fields[n]);
        }
        spans.emplace_back(from, rows.size() - from);
        stored.keys.push_back(fields[1]);
    }
    stored.linesText = QByteArray::fromStdString(rows);
    for (const auto& [from, size] : spans)
        stored.runs.emplace_back(stored.linesText.constData() + from, size);
    stored.held = true;
    return true;
}

bool RunsHeadingOf(const Sections& runs, const std::string& file, std::string& hash)
{
    std::size_t count = 0;
    if (runs.heading.size() != 5 || runs.heading[0] != "file" || GetText(runs.heading[1]) != file ||
        runs.heading[2] != "jobs" || runs.heading[3].size() != 16 ||
        runs.heading[3].find_first_not_of("0123456789abcdef") != std::string_view::npos || !GetNumber(runs.heading[4], count) ||
        count != runs.records.size())
        return false;
    hash = std::string(runs.heading[3]);
    return true;
}

// The job lines of a lines file of `file` whose hash is `hash`, in their
// written form; false when the file is absent or not the one named.
bool LinesOf(const QByteArray& text, const std::string& file, const std::string& hash,
             std::vector<std::string_view>& keys)
{
    const auto lines = SplitFile(std::string_view(text.constData(), static_cast<std::size_t>(text.size())),
                                 kLinesHeader, 1);
    if (!lines || lines->heading.size() != 2 || lines->heading[0] != "file" || GetText(lines->heading[1]) != file)
        return false;
    LinesHash check;
    for (const std::string_view key : lines->records) {
        if (key.find('\\') == std::string_view::npos) {
            check.Add(key);
        } else if (const auto line = GetText(key)) {
            check.Add(*line);
        } else {
            return false;
        }
    }
    if (check.Hex() != hash)
        return false;
    keys = lines->records;
    return true;
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

// Under the lock. Records that do not hang together are set aside, and the
// file then holds none; the lines file they named is left for the next
// write to clear away.
Stored LoadStored(const std::string& file, JobRecordsReport& report)
{
    Stored stored;
    const QString runsPath = RunsPath(file);
    auto runsText = ReadWhole(runsPath);
    if (!runsText)
        return stored;
    stored.runsText = std::move(*runsText);
    const std::string_view whole(stored.runsText.constData(), static_cast<std::size_t>(stored.runsText.size()));
    if (whole.substr(0, std::strlen(kFormerHeader) + 1) == std::string(kFormerHeader) + '\n') {
        if (ReadFormer(whole, file, stored))
            return stored;
        SetAside(runsPath, report);
        return Stored{};
    }
    const auto runs =
        SplitRuns(std::string_view(stored.runsText.constData(), static_cast<std::size_t>(stored.runsText.size())));
    std::string hash;
    bool hangsTogether = runs && RunsHeadingOf(*runs, file, hash);
    if (hangsTogether) {
        auto linesText = ReadWhole(LinesPath(file, hash));
        hangsTogether = linesText.has_value();
        if (hangsTogether) {
            stored.linesText = std::move(*linesText);
            hangsTogether =
                LinesOf(stored.linesText, file, hash, stored.keys) && stored.keys.size() == runs->records.size();
        }
    }
    if (!hangsTogether) {
        SetAside(runsPath, report);
        return Stored{};
    }
    stored.held = true;
    stored.hash = std::move(hash);
    stored.runs = runs->records;
    return stored;
}

// The fields of the last success in a job's row, or empty when it has none.
std::string_view SuccessOf(std::string_view row)
{
    const auto fields = Split(row);
    if (fields.size() == 2 * kRunFields)
        return row.substr(static_cast<std::size_t>(fields[kRunFields].data() - row.data()));
    if (fields.size() != 1 + kRunFields)
        return {};
    // Its last run was clean: "<start> <took> 0 0 ...".
    if (fields[2] != "0" || fields[3] != "0")
        return {};
    return row.substr(0, static_cast<std::size_t>(fields[kRunFields].data() - row.data()) - 1);
}

// A job's new row: its last run, and the success before it from its old
// row (may be empty) when the run failed.
void PutRow(std::string& out, const JobRunList::View& view, std::string_view old)
{
    const JobRunList::Row& run = view.row;
    const std::string_view success = run.Clean() || old.empty() ? std::string_view() : SuccessOf(old);
    char fields[kRunNumbersRoom];
    out.append(fields, static_cast<std::size_t>(PutRunNumbers(fields, run) - fields));
    PutText(out, view.firstEntry);
    if (success.empty())
        out.append("\t-\n", 3);
    else
        out.append(1, '\t').append(success).append(1, '\n');
}

// The row of a clean run with no first entry, which keeps no success
// beside it. Jobs that begin in the same tenth of a second as the one
// before them, take no time to speak of and write nothing have rows of the
// same bytes, and in a file of many jobs most do.
class CleanRows {
public:
    static constexpr std::size_t kRoom = kRunNumbersRoom + 3;
    char* Put(char* at, const JobRunList::Row& run)
    {
        if (m_last && run == m_row) {
            at = std::copy(kSameRow.begin(), kSameRow.end(), at);
            *at++ = '\n';
            return at;
        }
        m_row = run;
        m_last = true;
        return std::copy_n("\t-\n", 3, PutRunNumbers(at, run));
    }
    // A row of another kind was put after the last one here.
    void Other() { m_last = false; }

private:
    JobRunList::Row m_row;
    bool m_last = false;
};

void PutFileHeading(std::string& out, const char* header, const std::string& file)
{
    out.append(header).append("\nfile\t");
    PutText(out, file);
    out += '\n';
}

// A temporary beside the file, renamed over it: a reader sees the old file
// or the new, never part of one. Not synced: a record lost to a crash only
// makes its file look damaged, and a run must not wait on the disk for it.
// What is put goes out in pieces through one buffer, which spares a file of
// ten thousand records the fresh memory of holding it whole.
class ReplacingFile final {
public:
    explicit ReplacingFile(const QString& path)
        : m_target(path.toStdString()), m_temporary(m_target + ".XXXXXX"), m_buffer(kPiece, '\0')
    {
        m_fd = ::mkstemp(m_temporary.data());
        m_ok = m_fd >= 0 && ::fchmod(m_fd, 0600) == 0;
    }
    ~ReplacingFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_committed && m_fd >= 0)
            ::unlink(m_temporary.c_str());
    }
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Room for at least `most` bytes, to be put in place and then told by Put.
    char* Room(std::size_t most)
    {
        if (m_used + most > m_buffer.size()) {
            Flush();
            if (most > m_buffer.size())
                m_buffer.resize(most);
        }
        return m_buffer.data() + m_used;
    }
    void Put(const char* end) { m_used = static_cast<std::size_t>(end - m_buffer.data()); }
    void Append(std::string_view text) { Put(std::copy(text.begin(), text.end(), Room(text.size()))); }
    bool Commit()
    {
        Flush();
        const int fd = std::exchange(m_fd, -1);
        m_ok = fd >= 0 && ::close(fd) == 0 && m_ok;
        m_committed = m_ok && ::rename(m_temporary.c_str(), m_target.c_str()) == 0;
        if (!m_committed && fd >= 0)
            ::unlink(m_temporary.c_str());
        return m_committed;
    }

private:
    static constexpr std::size_t kPiece = 16 * 1024;
    void Flush()
    {
        for (std::size_t written = 0; m_ok && written < m_used;) {
            const ssize_t count = ::write(m_fd, m_buffer.data() + written, m_used - written);
            if (count < 0 && errno == EINTR)
                continue;
            m_ok = count > 0;
            if (m_ok)
                written += static_cast<std::size_t>(count);
        }
        m_used = 0;
    }

    std::string m_target, m_temporary;
    std::string m_buffer; // holds m_used bytes to be written
    std::size_t m_used = 0;
    int m_fd = -1;
    bool m_ok = false;
    bool m_committed = false;
};

bool WriteReplacing(const QString& path, std::string_view content)
{
    ReplacingFile out(path);
    out.Append(content);
    return out.Commit();
}

void PutRunsHeading(std::string& out, const std::string& file, const std::string& hash, std::size_t count)
{
    PutFileHeading(out, kRunsHeader, file);
    out.append("jobs\t").append(hash).append(1, '\t');
    PutNumber(out, count);
    out += '\n';
}

void PutTrailer(std::string& out, std::size_t count)
{
    out += "end\t";
    PutNumber(out, count);
    out += '\n';
}

void RemoveOtherLines(const std::string& file, const std::string& hash)
{
    const QFileInfo runs(RunsPath(file));
    const QString stem = runs.completeBaseName();
    const QString keep = QFileInfo(LinesPath(file, hash)).fileName();
    QDir folder = runs.dir();
    for (const QString& name : folder.entryList({stem + QStringLiteral(".*.lines")}, QDir::Files | QDir::Hidden)) {
        if (name != keep)
            folder.remove(name);
    }
}

} // namespace

// The lines file the records name, open for the run. It is replaced only by
// a rename, never changed in place, so what it holds stays as it was when it
// was opened. Read through a small buffer, not mapped or read whole: every
// page a run touches for the first time costs it, more on some machines
// than the whole comparison.
struct JobRunList::ExpectedLines {
    int fd = -1;
    std::uint64_t size = 0;
    ExpectedLines() = default;
    ExpectedLines(const ExpectedLines&) = delete;
    ExpectedLines& operator=(const ExpectedLines&) = delete;
    ~ExpectedLines()
    {
        if (fd >= 0)
            ::close(fd);
    }
    // `length` bytes from `offset` on into `out`; false when they cannot all be read.
    bool Read(std::uint64_t offset, std::size_t length, std::string& out) const
    {
        out.resize(length);
        for (std::size_t done = 0; done < length;) {
            const ssize_t count = ::pread(fd, out.data() + done, length - done, static_cast<off_t>(offset + done));
            if (count < 0 && errno == EINTR)
                continue;
            if (count <= 0) {
                out.resize(done);
                return false;
            }
            done += static_cast<std::size_t>(count);
        }
        return true;
    }
};

void JobRunList::ExpectLinesOf(const std::string& file)
{
    // Lines are taken from the first row on, or not at all.
    if (!empty())
        return;
    m_expected.reset();
    std::string heading;
    PutFileHeading(heading, kRunsHeader, file);
    heading += "jobs\t";
    QFile runs(RunsPath(file));
    if (!runs.open(QIODevice::ReadOnly))
        return;
    const QByteArray head = runs.read(static_cast<qint64>(heading.size() + 17));
    const std::string_view text(head.constData(), static_cast<std::size_t>(head.size()));
    if (text.size() != heading.size() + 17 || !text.starts_with(heading) || text.back() != '\t')
        return;
    const std::string_view hash = text.substr(heading.size(), 16);
    if (hash.find_first_not_of("0123456789abcdef") != std::string_view::npos)
        return;
    auto expected = std::make_shared<ExpectedLines>();
    expected->fd = ::open(LinesPath(file, hash).toStdString().c_str(), O_RDONLY | O_CLOEXEC);
    struct stat status {};
    // Offsets into it are kept in 32 bits.
    if (expected->fd < 0 || ::fstat(expected->fd, &status) != 0 || status.st_size >= INT32_MAX)
        return;
    expected->size = static_cast<std::uint64_t>(status.st_size);
    std::string linesHeading;
    PutFileHeading(linesHeading, kLinesHeader, file);
    m_expectReader = LineReader(kExpectedPiece);
    if (m_expectReader.Line(*expected, 0, linesHeading.size()) != linesHeading)
        return;
    m_expected = std::move(expected);
    m_expectAt = linesHeading.size();
    m_takenPlain = true;
    m_expectedHash = 0;
    std::from_chars(hash.data(), hash.data() + hash.size(), m_expectedHash, 16);
}

std::uint64_t JobRunList::HashTakenLines() const
{
    std::uint64_t hash = 0;
    const bool read = ForEach(Lines::With, [&](std::size_t row, const View& view) {
        if (row < m_unhashedRows)
            hash = HashLine(hash, view.line);
    });
    // A line that cannot be read back leaves a hash no lines file has, and
    // the merge that follows says why.
    return read ? hash : hash ^ 1;
}

std::uint64_t JobRunList::LinesHash() const
{
    if (m_unhashedRows == 0)
        return m_linesHash;
    // Every line so far the records' own, and no more: the hash that names
    // their lines file. A line taken as it is stored escaped is not its own.
    if (m_takenPlain && m_unhashedRows == size()) {
        std::string trailer, stored;
        PutTrailer(trailer, size());
        if (m_expectAt + trailer.size() == m_expected->size && m_expected->Read(m_expectAt, trailer.size(), stored) &&
            stored == trailer)
            return m_expectedHash;
    }
    return HashTakenLines();
}

namespace {

char* PutVarint(char* out, std::uint64_t value)
{
    while (value >= 0x80) {
        *out++ = static_cast<char>((value & 0x7F) | 0x80);
        value >>= 7;
    }
    *out++ = static_cast<char>(value);
    return out;
}

// Most numbers of a row take one byte.
std::uint64_t GetVarint(const unsigned char*& in)
{
    std::uint64_t value = *in++;
    if (value < 0x80)
        return value;
    value &= 0x7F;
    for (int shift = 7;; shift += 7) {
        const unsigned char byte = *in++;
        value |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
        if ((byte & 0x80) == 0)
            return value;
    }
}

std::uint64_t ZigZag(std::int64_t value)
{
    return (static_cast<std::uint64_t>(value) << 1) ^ static_cast<std::uint64_t>(value >> 63);
}

std::int64_t UnZigZag(std::uint64_t value)
{
    return static_cast<std::int64_t>(value >> 1) ^ -static_cast<std::int64_t>(value & 1);
}

// Its kind, then eleven numbers of at most ten bytes each.
constexpr std::size_t kMostPackedRow = 128;
constexpr char kFullRow = 0, kPlainRow = 1;

} // namespace

JobRunList::Row& JobRunList::Open(std::size_t row)
{
    return OpenEntry(row).row;
}

void JobRunList::SetLine(std::size_t row, std::string_view line)
{
    Entry& entry = OpenEntry(row);
    // Only the same bytes count: a line the file holds escaped differs, and
    // it and every line after it are held here.
    if (m_expected && m_expectAt < m_expected->size) {
        const std::size_t wanted = line.size() + 1;
        const std::string_view stored = m_expectReader.Line(*m_expected, m_expectAt, wanted);
        if (stored.size() == wanted && stored.back() == '\n' && std::memcmp(stored.data(), line.data(), line.size()) == 0) {
            entry.lineBlock = kExpectedBlock;
            entry.lineFrom = static_cast<std::uint32_t>(m_expectAt);
            entry.lineSize = static_cast<std::uint32_t>(line.size());
            m_expectAt += wanted;
            // Lines taken from the start on are hashed only when they turn
            // out not to be all the records hold.
            ++m_unhashedRows;
            m_takenPlain = m_takenPlain && (m_expectReader.PiecePlain() || line.find('\\') == std::string_view::npos);
            return;
        }
        m_expectAt = m_expected->size;
    }
    if (m_unhashedRows > 0) {
        m_linesHash = HashTakenLines();
        m_unhashedRows = 0;
    }
    m_linesHash = HashLine(m_linesHash, line);
    constexpr std::size_t kBlock = 64 * 1024;
    if (m_lineBlocks.empty() || m_lineBlocks.back().capacity() - m_lineBlocks.back().size() < line.size())
        m_lineBlocks.emplace_back().reserve(std::max(kBlock, line.size()));
    std::string& block = m_lineBlocks.back();
    entry.lineBlock = static_cast<std::uint32_t>(m_lineBlocks.size());
    entry.lineFrom = static_cast<std::uint32_t>(block.size());
    entry.lineSize = static_cast<std::uint32_t>(line.size());
    block.append(line);
}

void JobRunList::SetFirstEntry(std::size_t row, std::string entry)
{
    m_firstEntries.push_back(std::move(entry));
    OpenEntry(row).firstEntry = static_cast<std::uint32_t>(m_firstEntries.size());
}

// Each number as the difference from what the row before makes likely:
// jobs of a run begin where the one before ended, and their lines follow
// one another, so most rows take a byte a number.
void JobRunList::Pack(const Entry& entry)
{
    // A block is written in place, a row at a time, and cut to what it
    // holds once the next one begins. It is small, as every page of it is
    // touched when it is made.
    constexpr std::size_t kBlock = 16 * 1024;
    if (m_packed.empty() || kBlock - m_packState.offset < kMostPackedRow) {
        if (!m_packed.empty())
            m_packed.back().resize(m_packState.offset);
        m_packed.emplace_back(kBlock, '\0');
        m_packState.block = static_cast<std::uint32_t>(m_packed.size() - 1);
        m_packState.offset = 0;
    }
    if (m_ended % kCheckpointRows == 0)
        m_checkpoints.push_back(m_packState);
    char* const begin = m_packed.back().data();
    char* at = begin + m_packState.offset;
    const Row& row = entry.row;
    // Most rows wrote nothing and logged nothing, and their lines follow
    // the line before: those take three numbers.
    const bool plain = row.entries == 0 && !row.rejected && row.archivesWritten == 0 && row.dataFilesUnchanged == 0 &&
                       row.bytesWritten == 0 && entry.firstEntry == 0 && entry.lineBlock == m_packState.lineBlock &&
                       entry.lineFrom == NextLineFrom(m_packState);
    *at++ = plain ? kPlainRow : kFullRow;
    at = PutVarint(at, ZigZag(row.startMs - m_packState.startMs));
    at = PutVarint(at, ZigZag(row.endMs - row.startMs));
    if (!plain) {
        at = PutVarint(at, ZigZag(row.entries));
        at = PutVarint(at, row.rejected ? 1 : 0);
        at = PutVarint(at, ZigZag(row.archivesWritten));
        at = PutVarint(at, ZigZag(row.dataFilesUnchanged));
        at = PutVarint(at, row.bytesWritten);
        at = PutVarint(at, entry.firstEntry);
        at = PutVarint(at, entry.lineBlock);
        at = PutVarint(at, ZigZag(static_cast<std::int64_t>(entry.lineFrom) - m_packState.lineEnd));
    }
    at = PutVarint(at, entry.lineSize);
    m_packState.offset = static_cast<std::uint32_t>(at - begin);
    m_packState.startMs = row.startMs;
    m_packState.lineEnd = static_cast<std::int64_t>(entry.lineFrom) + entry.lineSize;
    m_packState.lineBlock = entry.lineBlock;
}

JobRunList::Entry JobRunList::Unpack(std::size_t block, std::size_t& offset, Checkpoint& state) const
{
    const auto* const begin = reinterpret_cast<const unsigned char*>(m_packed[block].data());
    const unsigned char* in = begin + offset;
    Entry entry;
    Row& row = entry.row;
    const bool plain = *in++ == kPlainRow;
    row.startMs = state.startMs + UnZigZag(GetVarint(in));
    row.endMs = row.startMs + UnZigZag(GetVarint(in));
    if (plain) {
        entry.lineBlock = state.lineBlock;
        entry.lineFrom = static_cast<std::uint32_t>(NextLineFrom(state));
    } else {
        row.entries = static_cast<int>(UnZigZag(GetVarint(in)));
        row.rejected = GetVarint(in) != 0;
        row.archivesWritten = static_cast<int>(UnZigZag(GetVarint(in)));
        row.dataFilesUnchanged = static_cast<int>(UnZigZag(GetVarint(in)));
        row.bytesWritten = GetVarint(in);
        entry.firstEntry = static_cast<std::uint32_t>(GetVarint(in));
        entry.lineBlock = static_cast<std::uint32_t>(GetVarint(in));
        entry.lineFrom = static_cast<std::uint32_t>(state.lineEnd + UnZigZag(GetVarint(in)));
    }
    entry.lineSize = static_cast<std::uint32_t>(GetVarint(in));
    offset = static_cast<std::size_t>(in - begin);
    state.startMs = row.startMs;
    state.lineEnd = static_cast<std::int64_t>(entry.lineFrom) + entry.lineSize;
    state.lineBlock = entry.lineBlock;
    return entry;
}

void JobRunList::End(std::size_t row)
{
    if (row != m_ended || m_openHead == m_open.size())
        return;
    const Entry& entry = m_open[m_openHead];
    if (!entry.row.Clean())
        ++m_unclean;
    Pack(entry);
    ++m_ended;
    // Mostly one row is open at a time and the rows' room is used again;
    // rows that stay open behind the pipeline move up now and then.
    if (++m_openHead == m_open.size()) {
        m_open.clear();
        m_openHead = 0;
    } else if (m_openHead >= 64 && 2 * m_openHead >= m_open.size()) {
        m_open.erase(m_open.begin(), m_open.begin() + static_cast<std::ptrdiff_t>(m_openHead));
        m_openHead = 0;
    }
}

std::string_view JobRunList::LineReader::Read(const ExpectedLines& lines, std::uint64_t from, std::size_t size)
{
    m_at = from;
    const std::uint64_t left = from < lines.size ? lines.size - from : 0;
    lines.Read(from, static_cast<std::size_t>(std::min<std::uint64_t>(std::max(m_piece, size), left)), m_buffer);
    m_failed = m_failed || from + size > m_at + m_buffer.size();
    m_piecePlain = std::memchr(m_buffer.data(), '\\', m_buffer.size()) == nullptr;
    return std::string_view(m_buffer).substr(0, size);
}

JobRunList::View JobRunList::ViewOf(const Entry& entry, LineReader* lines) const
{
    View view;
    view.row = entry.row;
    if (lines != nullptr && entry.lineBlock == kExpectedBlock)
        view.line = lines->Line(*m_expected, entry.lineFrom, entry.lineSize);
    else if (lines != nullptr && entry.lineBlock != 0)
        view.line = std::string_view(m_lineBlocks[entry.lineBlock - 1]).substr(entry.lineFrom, entry.lineSize);
    if (entry.firstEntry != 0)
        view.firstEntry = m_firstEntries[entry.firstEntry - 1];
    return view;
}

JobRunList::Entry JobRunList::EntryOf(std::size_t row) const
{
    if (row >= m_ended)
        return m_open[m_openHead + row - m_ended];
    Checkpoint state = m_checkpoints[row / kCheckpointRows];
    std::size_t block = state.block, offset = state.offset;
    for (std::size_t at = row - row % kCheckpointRows;; ++at) {
        if (offset >= m_packed[block].size()) {
            ++block;
            offset = 0;
        }
        const Entry entry = Unpack(block, offset, state);
        if (at == row)
            return entry;
    }
}


bool JobRunList::AllClean() const
{
    return m_unclean == 0 &&
           std::all_of(m_open.begin() + static_cast<std::ptrdiff_t>(m_openHead), m_open.end(),
                       [](const Entry& entry) { return entry.row.Clean(); });
}

JobRun JobRunList::Run(std::size_t row) const
{
    LineReader lines(0);
    const View view = ViewOf(EntryOf(row), &lines);
    JobRun run;
    run.line = std::string(view.line);
    run.start = QDateTime::fromMSecsSinceEpoch(view.row.startMs, Qt::UTC);
    run.end = QDateTime::fromMSecsSinceEpoch(view.row.endMs, Qt::UTC);
    run.entries = view.row.entries;
    run.firstEntry = std::string(view.firstEntry);
    run.rejected = view.row.rejected;
    run.archivesWritten = view.row.archivesWritten;
    run.dataFilesUnchanged = view.row.dataFilesUnchanged;
    run.bytesWritten = view.row.bytesWritten;
    return run;
}

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

JobRecordsReport UpdateJobRecords(const std::string& file, const JobRunList& runs)
{
    JobRecordsReport report;
    if (runs.empty())
        return report;
    const StateFileLock lock(kLockName);
    if (!lock.Failure().empty()) {
        report.failure = lock.Failure();
        return report;
    }
    const std::string ranHash = HashText(runs.LinesHash());
    const QString runsPath = RunsPath(file);

    // The usual run, every job of an unchanged file in its order: only the
    // runs file changes, and an old row is read only for a job that failed.
    const auto usual = [&] {
        QFile in(runsPath);
        if (!in.open(QIODevice::ReadOnly) || !QFileInfo::exists(LinesPath(file, ranHash)))
            return false;
        std::string heading;
        PutRunsHeading(heading, file, ranHash, runs.size());
        if (in.read(static_cast<qint64>(heading.size())).toStdString() != heading)
            return false;
        QByteArray text;
        std::vector<std::string_view> old;
        if (!runs.AllClean()) {
            in.seek(0);
            text = in.readAll();
            const auto sections =
                SplitRuns(std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
            if (!sections || sections->records.size() != runs.size())
                return false;
            old = sections->records;
        }
        ReplacingFile out(runsPath);
        out.Append(heading);
        CleanRows clean;
        std::string row;
        runs.ForEach(JobRunList::Lines::Without, [&](std::size_t n, const JobRunList::View& view) {
            if (view.row.Clean() && view.firstEntry.empty()) {
                out.Put(clean.Put(out.Room(CleanRows::kRoom), view.row));
                return;
            }
            clean.Other();
            row.clear();
            PutRow(row, view, old.empty() ? std::string_view() : old[n]);
            out.Append(row);
        });
        row.clear();
        PutTrailer(row, runs.size());
        out.Append(row);
        if (!out.Commit())
            report.failure = "cannot write " + runsPath.toStdString();
        return true;
    };
    if (usual())
        return report;

    // Otherwise the jobs that ran replace their rows; the others keep theirs
    // unread, and jobs new to the records go after them in the order they ran.
    const Stored stored = LoadStored(file, report);
    const std::vector<std::string_view>& keys = stored.keys;
    std::unordered_map<std::string_view, std::size_t> rowOf;
    rowOf.reserve(keys.size() + runs.size());
    for (std::size_t row = 0; row < keys.size(); ++row)
        rowOf.emplace(keys[row], row);
    std::vector<std::string> replaced(keys.size());
    std::vector<std::string> addedKeys, addedRows;
    std::unordered_map<std::string, std::size_t> addedRowOf;
    const auto current = [&](std::size_t row) -> std::string_view {
        if (row < keys.size())
            return replaced[row].empty() ? stored.runs[row] : std::string_view(replaced[row]);
        return addedRows[row - keys.size()];
    };
    std::string key;
    const bool linesRead = runs.ForEach(JobRunList::Lines::With, [&](std::size_t, const JobRunList::View& view) {
        key.clear();
        PutText(key, view.line);
        std::optional<std::size_t> row;
        if (const auto found = rowOf.find(key); found != rowOf.end())
            row = found->second;
        else if (const auto again = addedRowOf.find(key); again != addedRowOf.end())
            row = again->second;
        std::string text;
        text.reserve(view.firstEntry.size() + 2 * kRunFieldsRoom);
        // A failed run keeps the success before it, which the row holds
        // either as its own last run or beside it.
        PutRow(text, view, row ? current(*row) : std::string_view());
        text.pop_back();
        if (!row) {
            addedRowOf.emplace(key, keys.size() + addedKeys.size());
            addedKeys.push_back(key);
            addedRows.push_back(std::move(text));
        } else if (*row < keys.size()) {
            replaced[*row] = std::move(text);
        } else {
            addedRows[*row - keys.size()] = std::move(text);
        }
    });
    if (!linesRead) {
        report.failure = "cannot read back the job lines of the records of " + (file.empty() ? "the command line" : file);
        return report;
    }

    LinesHash merged;
    std::string lines, rows;
    PutFileHeading(lines, kLinesHeader, file);
    const std::size_t count = keys.size() + addedKeys.size();
    for (std::size_t row = 0; row < count; ++row) {
        const std::string_view written = row < keys.size() ? keys[row] : std::string_view(addedKeys[row - keys.size()]);
        if (written.find('\\') == std::string_view::npos)
            merged.Add(written);
        else
            merged.Add(GetText(written).value_or(std::string()));
        lines.append(written).append(1, '\n');
        rows.append(row > 0 && current(row) == current(row - 1) ? kSameRow : current(row)).append(1, '\n');
    }
    PutTrailer(lines, count);
    PutTrailer(rows, count);
    const std::string hash = merged.Hex();
    if (hash != stored.hash && !WriteReplacing(LinesPath(file, hash), lines)) {
        report.failure = "cannot write " + LinesPath(file, hash).toStdString();
        return report;
    }
    std::string heading;
    PutRunsHeading(heading, file, hash, count);
    if (!WriteReplacing(runsPath, heading + rows)) {
        report.failure = "cannot write " + runsPath.toStdString();
        return report;
    }
    RemoveOtherLines(file, hash);
    return report;
}

namespace {

// Under the lock; nothing when the file holds no records or they were set aside.
std::optional<JobRecordFile> Load(const std::string& file, JobRecordsReport& report)
{
    const Stored stored = LoadStored(file, report);
    if (!stored.held)
        return std::nullopt;
    JobRecordFile records{file, {}};
    records.jobs.reserve(stored.keys.size());
    for (std::size_t row = 0; row < stored.keys.size(); ++row) {
        const auto fields = Split(stored.runs[row]);
        // Its last run, and its last success or "-".
        const bool success = fields.size() == 2 * kRunFields;
        auto line = GetText(stored.keys[row]);
        std::optional<JobRun> lastRun;
        std::optional<JobRun> lastSuccess;
        if (line && (success || (fields.size() == 1 + kRunFields && fields.back() == "-")))
            lastRun = GetRun(fields, 0);
        if (lastRun && success)
            lastSuccess = GetRun(fields, kRunFields);
        else if (lastRun && lastRun->Clean())
            lastSuccess = lastRun;
        if (!lastRun || (success && !lastSuccess)) {
            SetAside(RunsPath(file), report);
            return std::nullopt;
        }
        lastRun->line = *line;
        if (lastSuccess)
            lastSuccess->line = *line;
        records.jobs.push_back(JobRecord{std::move(*line), std::move(lastRun), std::move(lastSuccess)});
    }
    return records;
}

} // namespace

JobRecordFile ReadJobRecords(const std::string& file, JobRecordsReport& report)
{
    if (!QFileInfo::exists(RunsPath(file)))
        return {file, {}};
    const StateFileLock lock(kLockName);
    return Load(file, report).value_or(JobRecordFile{file, {}});
}

std::vector<JobRecordFile> ReadAllJobRecords(JobRecordsReport& report)
{
    std::vector<JobRecordFile> all;
    const QDir folder(QString::fromStdString(RecordFolder()));
    const QStringList names = folder.entryList({QStringLiteral("*.records")}, QDir::Files);
    if (names.isEmpty())
        return all;
    const StateFileLock lock(kLockName);
    for (const QString& name : names) {
        const QString path = folder.filePath(name);
        // The file a runs file is of is in its heading, which is all that
        // is read here; a file under another's name would have its records
        // merged into the wrong file's.
        QFile in(path);
        if (!in.open(QIODevice::ReadOnly))
            continue;
        const QByteArray header = in.readLine().trimmed();
        const QByteArray fileLine = in.readLine();
        in.close();
        std::optional<std::string> file;
        if ((header == kRunsHeader || header == kSecondHeader || header == kFormerHeader) && fileLine.startsWith("file\t") &&
            fileLine.endsWith('\n'))
            file = GetText(std::string_view(fileLine.constData() + 5, static_cast<std::size_t>(fileLine.size()) - 6));
        if (!file || QFileInfo(RunsPath(*file)).fileName() != name) {
            SetAside(path, report);
            continue;
        }
        if (auto records = Load(*file, report))
            all.push_back(std::move(*records));
    }
    std::sort(all.begin(), all.end(), [](const auto& a, const auto& b) { return a.file < b.file; });
    return all;
}

} // namespace ze6
