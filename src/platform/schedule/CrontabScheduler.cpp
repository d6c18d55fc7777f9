#include "platform/schedule/CrontabScheduler.h"

#include "platform/process/ProcessRunner.h"
#include "platform/schedule/CalendarExpression.h"

#include <algorithm>

namespace ze6 {

namespace {

struct Lines {
    std::vector<std::string> before, ours, after;
};

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

Lines Sort(const std::string& text)
{
    Lines lines;
    enum { Before, Inside, After } where = Before;
    for (const std::string& line : SplitLines(text)) {
        if (where == Before && line == CrontabScheduler::kBeginMarker)
            where = Inside;
        else if (where == Inside && line == CrontabScheduler::kEndMarker)
            where = After;
        else
            (where == Before ? lines.before : where == Inside ? lines.ours : lines.after).push_back(line);
    }
    return lines;
}

// A word for /bin/sh in single quotes.
std::string ShellWord(const std::string& text)
{
    std::string result = "'";
    for (const char c : text)
        result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return result + "'";
}

// A shell command as a crontab line must hold it: cron cuts the command at a
// bare "%" and drops the backslash of "\%" and of "\\" before it hands the
// rest to /bin/sh, so every "%" and every backslash gets one in front.
std::string ForCron(const std::string& command)
{
    std::string line;
    for (const char c : command) {
        if (c == '%' || c == '\\')
            line += '\\';
        line += c;
    }
    return line;
}

// The command as cron hands it to the shell: "\%" becomes "%", "\\" becomes
// a single backslash, a bare "%" ends it, every other backslash stays.
std::string CronCommand(const std::string& text)
{
    std::string command;
    bool escaped = false;
    for (const char c : text) {
        if (escaped) {
            if (c == '%' || c == '\\')
                command.back() = c;
            else
                command += c;
            escaped = false;
            continue;
        }
        if (c == '%')
            break;
        escaped = c == '\\';
        command += c;
    }
    return command;
}

// The words of a command line that ShellWord wrote.
std::vector<std::string> ShellWords(const std::string& line)
{
    const std::string text = CronCommand(line);
    std::vector<std::string> words;
    std::string word;
    bool quoted = false, inWord = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '\'')
                quoted = false;
            else
                word += c;
        } else if (c == '\'') {
            quoted = inWord = true;
        } else if (c == '\\' && i + 1 < text.size()) {
            word += text[++i];
            inWord = true;
        } else if (c == ' ') {
            if (inWord)
                words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(word);
    return words;
}

// Our block holds, per file, a comment with the expression and the cron line.
std::vector<ScheduledFile> Parse(const std::vector<std::string>& ours)
{
    std::vector<ScheduledFile> list;
    std::string when;
    for (const std::string& line : ours) {
        if (line.rfind("# ", 0) == 0) {
            when = line.substr(2);
            continue;
        }
        std::size_t position = 0;
        for (int field = 0; field < 5 && position != std::string::npos; ++field)
            position = line.find(' ', position == 0 ? 0 : position + 1);
        if (position == std::string::npos)
            continue;
        const std::vector<std::string> words = ShellWords(line.substr(position + 1));
        if (words.size() == 2)
            list.push_back({words[1], when});
    }
    return list;
}

// Our block less the file's line and the comment above it.
std::vector<std::string> Without(const std::vector<std::string>& ours, const std::string& file)
{
    std::vector<std::string> kept;
    for (const std::string& line : ours) {
        const std::vector<ScheduledFile> one = Parse({line});
        if (!one.empty() && one.front().file == file) {
            if (!kept.empty() && kept.back().rfind("# ", 0) == 0)
                kept.pop_back();
            continue;
        }
        kept.push_back(line);
    }
    return kept;
}

// The table with our block where it was (or at the end); no block when empty.
std::string Join(const Lines& lines)
{
    std::string text;
    for (const auto& line : lines.before)
        text += line + "\n";
    if (!lines.ours.empty()) {
        text += std::string(CrontabScheduler::kBeginMarker) + "\n";
        for (const auto& line : lines.ours)
            text += line + "\n";
        text += std::string(CrontabScheduler::kEndMarker) + "\n";
    }
    for (const auto& line : lines.after)
        text += line + "\n";
    return text;
}

} // namespace

std::string CrontabScheduler::Read()
{
    const ProcessResult result = m_runner.Run("crontab", {"-l"});
    if (!result.started)
        throw ScheduleError("The crontab command could not be run.");
    if (result.exitCode == 0)
        return result.out;
    if (result.err.find("no crontab") != std::string::npos)
        return {};
    throw ScheduleError("crontab -l failed: " + result.err);
}

void CrontabScheduler::Write(const std::string& text)
{
    const ProcessResult result = m_runner.Run("crontab", {"-"}, text);
    if (!result.started || result.exitCode != 0)
        throw ScheduleError("crontab refused the new table" + (result.err.empty() ? "." : ": " + result.err));
}

void CrontabScheduler::Schedule(const std::string& file, const std::string& when, const std::string& normalized,
                                const std::string& program)
{
    CheckSchedulablePath(file);
    CheckSchedulablePath(program);
    CheckSchedulablePath(when);
    std::string why;
    const auto fields = CronFields(normalized, why);
    if (!fields)
        throw ScheduleError("The schedule '" + when + "' cannot be kept by cron: " + why + ".");

    Lines lines = Sort(Read());
    lines.ours = Without(lines.ours, file);
    lines.ours.push_back("# " + when);
    lines.ours.push_back(*fields + " " + ForCron(ShellWord(program) + " " + ShellWord(file)));
    Write(Join(lines));
}

bool CrontabScheduler::Unschedule(const std::string& file)
{
    Lines lines = Sort(Read());
    const auto list = Parse(lines.ours);
    if (std::none_of(list.begin(), list.end(), [&](const ScheduledFile& entry) { return entry.file == file; }))
        return false;
    lines.ours = Without(lines.ours, file);
    Write(Join(lines));
    return true;
}

std::vector<ScheduledFile> CrontabScheduler::List()
{
    return Parse(Sort(Read()).ours);
}

} // namespace ze6
