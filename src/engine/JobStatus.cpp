#include "engine/JobStatus.h"

#include "engine/ConfigLineReader.h"
#include "engine/ErrorHandler.h"
#include "engine/Main.h"
#include "engine/PathOperations.h"
#include "engine/Schedule.h"
#include "platform/Components.h"
#include "platform/RuntimeError.h"
#include "platform/files/FileStatus.h"
#include "platform/files/FileSystem.h"
#include "platform/notify/DesktopNotifier.h"
#include "platform/process/Clock.h"
#include "platform/process/Console.h"
#include "platform/process/ProcessRunner.h"
#include "platform/schedule/CalendarExpression.h"
#include "platform/schedule/Scheduler.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <fstream>
#include <map>
#include <system_error>

namespace ze6::modDAZadaro {

namespace {

constexpr qint64 kGraceSeconds = 3600;
constexpr std::size_t kJobsNamedInNotification = 10;

void ReportRecordProblems(const JobRecordsReport& report, bool alsoOnStandardError)
{
    for (const auto& [from, to] : report.setAside) {
        const std::string message = to.empty() ? "Damaged job records in '" + from + "' could not be set aside"
                                               : "Damaged job records in '" + from + "' were set aside as '" + to + "'";
        ReportError("JobRecords", message, ErrorNumber::DeviceIoError, kProgramErrorSource);
        if (alsoOnStandardError)
            WriteErrorLine("ZE6Vivevu: " + message + "; their jobs count as never run.");
    }
    if (!report.failure.empty())
        ReportError("JobRecords", "Job records not kept: " + report.failure, ErrorNumber::PathFileAccessError,
                    kProgramErrorSource);
}

std::string TimeOrDash(const std::optional<JobRun>& run)
{
    return run ? FormatRunTime(run->end.toLocalTime()) : std::string("-");
}

std::array<std::string, 5> Fields(const JobStatus& status)
{
    return {StateWord(status.state), TimeOrDash(status.lastRun), TimeOrDash(status.lastSuccess),
            status.file.empty() ? std::string("-") : status.file, status.line};
}

// Tab-separated for scripts; at a terminal the same fields in columns under a heading.
void Print(const std::vector<JobStatus>& statuses)
{
    if (!StandardOutputIsTerminal()) {
        for (const JobStatus& status : statuses) {
            const auto fields = Fields(status);
            WriteOutputLine(fields[0] + '\t' + fields[1] + '\t' + fields[2] + '\t' + fields[3] + '\t' + fields[4]);
        }
        return;
    }
    std::vector<std::array<std::string, 5>> rows = {{"STATE", "LAST RUN", "LAST SUCCESS", "FILE", "JOB LINE"}};
    for (const JobStatus& status : statuses)
        rows.push_back(Fields(status));
    std::array<std::size_t, 5> widths{};
    for (const auto& row : rows) {
        for (std::size_t column = 0; column < widths.size(); ++column)
            widths[column] = std::max(widths[column], row[column].size());
    }
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t column = 0; column + 1 < widths.size(); ++column)
            line += row[column] + std::string(widths[column] - row[column].size() + 2, ' ');
        WriteOutputLine(line + row.back());
    }
}

int ExitStatus(const std::vector<JobStatus>& statuses)
{
    return std::all_of(statuses.begin(), statuses.end(), [](const JobStatus& s) { return s.state == JobState::Ok; })
               ? 0
               : 1;
}

std::vector<std::string> RecordedLines(const JobRecordFile& records)
{
    std::vector<std::string> lines;
    lines.reserve(records.jobs.size());
    for (const JobRecord& record : records.jobs)
        lines.push_back(record.line);
    return lines;
}

std::optional<QDateTime> SucceededSinceFor(const std::string& file, const std::vector<ScheduledFile>& schedules,
                                           ProcessRunner& runner)
{
    for (const ScheduledFile& schedule : schedules) {
        if (schedule.file == file)
            return SucceededSince(runner, schedule.when, GetComponents().GetClock().Now());
    }
    return std::nullopt;
}

// Without the schedules nothing is overdue; what failed and never ran still shows.
std::vector<ScheduledFile> ListSchedules(ProcessRunner& runner, bool sayWhyNot = true)
{
    try {
        if (const auto scheduler = CreateScheduler(runner))
            return scheduler->List();
    } catch (const ScheduleError& error) {
        if (sayWhyNot)
            WriteErrorLine(std::string("ZE6Vivevu: ") + error.what());
    }
    return {};
}

} // namespace

const char* StateWord(JobState state)
{
    switch (state) {
    case JobState::Ok:
        return "ok";
    case JobState::Failed:
        return "failed";
    case JobState::Overdue:
        return "overdue";
    case JobState::Never:
        break;
    }
    return "never";
}

std::optional<QDateTime> SucceededSince(ProcessRunner& runner, const std::string& when, const QDateTime& now)
{
    return LastElapse(runner, when, now.addSecs(-kGraceSeconds));
}

JobState StateOf(const JobRecord* record, const std::optional<QDateTime>& succeededSince)
{
    if (record == nullptr || !record->lastRun)
        return JobState::Never;
    if (!record->lastRun->Clean())
        return JobState::Failed;
    if (succeededSince && (!record->lastSuccess || record->lastSuccess->end < *succeededSince))
        return JobState::Overdue;
    return JobState::Ok;
}

std::vector<JobStatus> StatusOfLines(const JobRecordFile& records, const std::vector<std::string>& lines,
                                     const std::optional<QDateTime>& succeededSince)
{
    std::map<std::string, const JobRecord*> byLine;
    for (const JobRecord& record : records.jobs)
        byLine.emplace(record.line, &record);
    std::vector<JobStatus> statuses;
    statuses.reserve(lines.size());
    for (const std::string& line : lines) {
        const auto found = byLine.find(line);
        const JobRecord* record = found == byLine.end() ? nullptr : found->second;
        JobStatus status{StateOf(record, succeededSince), records.file, line, std::nullopt, std::nullopt};
        if (record != nullptr) {
            status.lastRun = record->lastRun;
            status.lastSuccess = record->lastSuccess;
        }
        statuses.push_back(std::move(status));
    }
    return statuses;
}

std::vector<std::string> ConfigurationJobLines(const std::string& path)
{
    const std::string opened = FileSystem::ResolvePath(path).value_or(path);
    errno = 0;
    std::ifstream file(opened, std::ios::in | std::ios::binary);
    if (!file.is_open())
        throw ErrorFromErrno(errno != 0 ? errno : EIO, kProgramErrorSource, opened);
    ConfigLineReader reader(file);
    std::vector<std::string> lines;
    std::string line;
    try {
        while (reader.Next(line)) {
            std::string job = TrimBlanks(line);
            if (!job.empty())
                lines.push_back(std::move(job));
        }
    } catch (const RuntimeError& error) {
        throw WithPath(error, opened);
    }
    return lines;
}

std::vector<JobStatus> StatusOfFile(const std::string& file, const std::vector<std::string>& lines,
                                    Scheduler* scheduler, ProcessRunner& runner)
{
    JobRecordsReport report;
    const JobRecordFile records = ReadJobRecords(file, report);
    ReportRecordProblems(report, false);
    std::optional<QDateTime> since;
    if (scheduler != nullptr) {
        if (const auto schedule = FindSchedule(*scheduler, file))
            since = SucceededSince(runner, schedule->when, GetComponents().GetClock().Now());
    }
    return StatusOfLines(records, lines, since);
}

std::optional<std::string> BehindText(const std::vector<JobStatus>& statuses)
{
    int count = 0;
    std::optional<QDateTime> oldest;
    for (const JobStatus& status : statuses) {
        if (status.state != JobState::Failed && status.state != JobState::Overdue)
            continue;
        ++count;
        // A job that never succeeded has not done so since its last run at least.
        const QDateTime since = status.lastSuccess ? status.lastSuccess->end : status.lastRun->start;
        if (!oldest || since < *oldest)
            oldest = since;
    }
    if (count == 0)
        return std::nullopt;
    const std::string when = oldest->toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")).toStdString();
    if (count == 1)
        return "1 backup job has not succeeded since " + when;
    return std::to_string(count) + " backup jobs have not succeeded since " + when;
}

void RecordJobRuns(const std::string& file, const JobRunList& runs)
{
    if (runs.empty() || !JobRecordsWanted())
        return;
    ReportRecordProblems(UpdateJobRecords(file, runs), false);
}

JobRunRecording::JobRunRecording(std::string file, const JobRunList& runs) : m_file(std::move(file)), m_runs(runs)
{
    if (m_runs.empty() || !JobRecordsWanted())
        return;
    m_pending = true;
    try {
        m_report = std::async(std::launch::async, [this] { return UpdateJobRecords(m_file, m_runs); });
    } catch (const std::system_error&) {
        // No thread to be had: the records are written when Finish asks.
    }
}

JobRunRecording::~JobRunRecording()
{
    // Only when the caller's own ending threw: the records are not left
    // being written while the run unwinds.
    if (m_report.valid())
        m_report.wait();
}

void JobRunRecording::Finish()
{
    if (!m_pending)
        return;
    m_pending = false;
    ReportRecordProblems(m_report.valid() ? m_report.get() : UpdateJobRecords(m_file, m_runs), false);
}

int StatusSwitch(const std::vector<std::string>& operands)
{
    SystemProcessRunner runner;
    if (!operands.empty()) {
        const std::string& path = operands.front();
        const auto status = StatusOf(path);
        if (!IsConfigurationFileExtension(UpperCase(GetFileExtension(path))) || !status || status->folder) {
            WriteErrorLine("ZE6Vivevu: '" + path + "' is no configuration file.");
            return 2;
        }
        std::vector<std::string> lines;
        try {
            lines = ConfigurationJobLines(path);
        } catch (const RuntimeError& error) {
            WriteErrorLine("ZE6Vivevu: " + error.Description());
            return 2;
        }
        const std::string file = AbsoluteConfigPath(path);
        const auto schedules = ListSchedules(runner);
        JobRecordsReport report;
        const JobRecordFile records = ReadJobRecords(file, report);
        ReportRecordProblems(report, true);
        const auto statuses = StatusOfLines(records, lines, SucceededSinceFor(file, schedules, runner));
        Print(statuses);
        return ExitStatus(statuses);
    }

    JobRecordsReport report;
    const std::vector<JobRecordFile> all = ReadAllJobRecords(report);
    ReportRecordProblems(report, true);
    std::vector<ScheduledFile> schedules;
    if (std::any_of(all.begin(), all.end(), [](const JobRecordFile& records) { return !records.file.empty(); }))
        schedules = ListSchedules(runner);
    std::vector<JobStatus> statuses;
    for (const JobRecordFile& records : all) {
        const auto since = records.file.empty() ? std::nullopt : SucceededSinceFor(records.file, schedules, runner);
        for (JobStatus& status : StatusOfLines(records, RecordedLines(records), since))
            statuses.push_back(std::move(status));
    }
    Print(statuses);
    return ExitStatus(statuses);
}

namespace {

int Check(ProcessRunner& runner, const std::vector<ScheduledFile>& schedules, const std::string& alreadyTold)
{
    std::vector<JobStatus> statuses;
    for (const ScheduledFile& schedule : schedules) {
        JobRecordsReport report;
        const JobRecordFile records = ReadJobRecords(schedule.file, report);
        ReportRecordProblems(report, false);
        std::vector<std::string> lines;
        try {
            lines = ConfigurationJobLines(schedule.file);
        } catch (const RuntimeError&) {
            // A file that has gone is behind all the same: its records age.
            lines = RecordedLines(records);
        }
        const auto since = SucceededSince(runner, schedule.when, GetComponents().GetClock().Now());
        for (JobStatus& status : StatusOfLines(records, lines, since))
            statuses.push_back(std::move(status));
    }
    const auto text = BehindText(statuses);
    const bool othersBehind = std::any_of(statuses.begin(), statuses.end(), [&](const JobStatus& status) {
        return status.file != alreadyTold && (status.state == JobState::Failed || status.state == JobState::Overdue);
    });
    if (text && (alreadyTold.empty() || othersBehind)) {
        std::string body;
        std::size_t named = 0;
        for (const JobStatus& status : statuses) {
            if (status.state != JobState::Failed && status.state != JobState::Overdue)
                continue;
            if (++named > kJobsNamedInNotification) {
                body += "…\n";
                break;
            }
            body += std::string(StateWord(status.state)) + ": " + status.file + ": " + status.line + "\n";
        }
        SendDesktopNotification(*text, body + "ZE6Vivevu /STATUS lists every job.");
    }
    return ExitStatus(statuses);
}

} // namespace

int CheckSwitch(const std::vector<std::string>&)
{
    SystemProcessRunner runner;
    return Check(runner, ListSchedules(runner), {});
}

void CheckAfterScheduledRun(const std::string& file, bool toldOfItsOwn)
{
    SystemProcessRunner runner;
    // Quiet: the run has said what it had to, and cron mails whatever it adds.
    const std::vector<ScheduledFile> schedules = ListSchedules(runner, false);
    if (std::any_of(schedules.begin(), schedules.end(), [&](const ScheduledFile& s) { return s.file == file; }))
        Check(runner, schedules, toldOfItsOwn ? file : std::string());
}

} // namespace ze6::modDAZadaro
